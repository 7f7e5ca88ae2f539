#include "common/MaskFile.h"

#include "common/Settings.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int ValueLines = 5;  // masks of sensors 1..4, then the XOR byte
// No integer needs more; a longer line is malformed and is skipped whole.
constexpr qint64 MaxLineLength = 64;

// One line of the file: a decimal integer with an optional sign, or "$"
// followed by hexadecimal digits as the program writes port addresses.
// Surrounding blanks and a CR before the line feed are ignored.
bool ParseValue(const QByteArray& line, uint8_t& value)
{
    const QByteArray text = line.trimmed();
    bool ok = false;
    const qlonglong v = text.startsWith('$') ? text.mid(1).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (ok)
        value = uint8_t(quint64(v) & 0xFFu);
    return ok;
}

// Reads one line of at most MaxLineLength characters; a longer one is read to
// its end and reported as empty, so that it does not shift the lines after it.
QByteArray ReadLine(QFile& file)
{
    QByteArray line = file.readLine(MaxLineLength + 1);
    if (line.endsWith('\n') || file.atEnd())
        return line;
    while (!file.atEnd() && !file.readLine(MaxLineLength + 1).endsWith('\n')) {
    }
    return {};
}

}  // namespace

QString MaskFilePath(const QString& folder) { return QDir(folder).filePath(QStringLiteral("KOBA.msk")); }

void ReadMaskFile(const TSettings& settings, TSensorMasks& masks, const QString& folder)
{
    masks.Mask = TSensorMasks().Mask;
    masks.Xor = settings.InvertedInput ? 255 : 0;
    masks.MaskFileUsed = false;

    QFile file(MaskFilePath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The file is in use once it opens, whatever its lines hold. A line that
    // is missing or holds no integer leaves its value as set above.
    for (int i = 0; i < ValueLines && !file.atEnd(); ++i) {
        uint8_t& target = i < 4 ? masks.Mask[i] : masks.Xor;
        ParseValue(ReadLine(file), target);
    }
    file.close();
    masks.MaskFileUsed = true;
}
