#pragma once

#include "heats/ResultFields.h"

#include <QLineEdit>

// An input field of the heat result dialog. It cuts its value to its limit
// whenever its text changes, typed, pasted or filled in, and takes only
// digits, Backspace and Enter from the keyboard.
class TResultEdit : public QLineEdit {
    Q_OBJECT
public:
    TResultField Field() const { return m_field; }
    int32_t Limit() const { return m_limit; }
    // Only the sections field's limit depends on it; the setting can change
    // between showings, so it is given anew at each.
    void SetSectionsPerLap(int32_t sectionsPerLap);

protected:
    TResultEdit(TResultField field, QWidget* parent);

private:
    void ApplyLimit();

    TResultField m_field;
    int32_t m_limit;
};

class TMinEdit : public TResultEdit {
    Q_OBJECT
public:
    explicit TMinEdit(QWidget* parent = nullptr) : TResultEdit(TResultField::Minutes, parent) {}
};

class TSecEdit : public TResultEdit {
    Q_OBJECT
public:
    explicit TSecEdit(QWidget* parent = nullptr) : TResultEdit(TResultField::Seconds, parent) {}
};

class TMSEdit : public TResultEdit {
    Q_OBJECT
public:
    explicit TMSEdit(QWidget* parent = nullptr) : TResultEdit(TResultField::Milliseconds, parent) {}
};

class TLapsEdit : public TResultEdit {
    Q_OBJECT
public:
    explicit TLapsEdit(QWidget* parent = nullptr) : TResultEdit(TResultField::Laps, parent) {}
};

class TSectionsEdit : public TResultEdit {
    Q_OBJECT
public:
    explicit TSectionsEdit(QWidget* parent = nullptr) : TResultEdit(TResultField::Sections, parent) {}
};
