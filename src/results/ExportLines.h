#pragma once

#include "common/Settings.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The lines of a separator-delimited export file: fields joined by the
// separator, each line closed by CR LF.
class TExportLineWriter {
public:
    // The separator setting is one 8-bit character; a character above ASCII
    // is written as its UTF-8 sequence like the rest of the text.
    explicit TExportLineWriter(char separator) : m_separator(QString(QChar(uchar(UsableSeparator(separator)))).toUtf8())
    {
    }

    void Line(const QList<QByteArray>& fields)
    {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                m_bytes += m_separator;
            m_bytes += Field(fields.at(i));
        }
        m_bytes += "\r\n";
    }
    QByteArray Bytes() const { return m_bytes; }

private:
    // A name with the separator in it would otherwise shift every later
    // column of its line, and a line break would split the row in two.
    QByteArray Field(const QByteArray& text) const
    {
        const bool needsQuotes =
            text.contains(m_separator) || text.contains('"') || text.contains('\r') || text.contains('\n');
        if (!needsQuotes)
            return text;
        QByteArray quoted = text;
        quoted.replace("\"", "\"\"");
        return '"' + quoted + '"';
    }

    QByteArray m_separator;
    QByteArray m_bytes;
};
