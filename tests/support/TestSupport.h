#pragma once

#include "common/MessageBoxes.h"
#include "hardware/zlportio.h"

#include <QDir>
#include <QList>
#include <QPair>
#include <QTemporaryDir>
#include <QTest>

// A fresh temporary working directory for one test; the previous one is
// restored afterwards.
class TTestWorkDir {
public:
    TTestWorkDir() : m_previous(QDir::currentPath())
    {
        QVERIFY2(m_dir.isValid(), "no temporary directory");
        QDir::setCurrent(m_dir.path());
    }
    ~TTestWorkDir() { QDir::setCurrent(m_previous); }
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// A port that records what is written to it and answers reads with a set
// status byte.
class TScriptedPort final : public TPortDriver {
public:
    explicit TScriptedPort(bool ready = true, QString error = {}) : m_openResult(ready)
    {
        m_errorText = std::move(error);
    }
    bool Open() override
    {
        m_ready = m_openResult;
        return m_ready;
    }
    void Close() override { ++closes; }
    bool ReadPort(uint32_t address, TPortSize, uint32_t& value) override
    {
        reads << address;
        if (!readSucceeds)
            return false;
        value = status;
        return true;
    }
    void WritePort(uint32_t address, TPortSize, uint32_t value) override
    {
        writes << qMakePair(address, uint8_t(value));
    }
    QString Description() const override { return QStringLiteral("scripted port"); }

    uint8_t status = 0;
    bool readSucceeds = true;
    QList<uint32_t> reads;
    QList<QPair<uint32_t, uint8_t>> writes;
    int closes = 0;

private:
    bool m_openResult;
};

// Scripted message boxes for one test: answers are queued, nothing shows, and
// at the end no answer may be left over and no message may have gone
// unanswered.
class TMessageScript {
public:
    TMessageScript() { Messages::BeginScript(); }
    ~TMessageScript() { Messages::EndScript(); }
    void Answer(TMessageAnswer answer) { Messages::QueueAnswer(answer); }
    QStringList Texts() const
    {
        QStringList texts;
        for (const TShownMessage& message : Messages::Shown())
            texts << message.text;
        return texts;
    }
};

// Checks at the end of a test that every queued answer was used and every
// message found one.
#define VERIFY_MESSAGES_SETTLED()                                                                             \
    do {                                                                                                      \
        QCOMPARE(Messages::PendingAnswers(), 0);                                                              \
        QVERIFY2(Messages::Problems().isEmpty(), qPrintable(Messages::Problems().join(QLatin1String("; ")))); \
    } while (0)

// File permissions do not bind root, and CI runs as root. A test about
// unreadable or unwritable files therefore runs itself again as the
// unprivileged user "nobody" when it finds itself root, and passes or fails
// with that run. Returns true when the rerun took the test's place.
bool RerunUnprivileged(const char* testFunction);
