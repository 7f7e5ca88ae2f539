#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG decoding for the logo on the Info page and in the report footer.
//
// Both functions return a null image when the picture cannot be used (missing
// file, damaged or truncated data, unsupported or absurd dimensions) and, when
// `error` is given, say why. They never print anything and never end the
// program: a bad logo must not take a race meeting down with it.
//
// The result is QImage::Format_RGB888; grayscale and CMYK pictures are
// converted to RGB.

// Largest width or height accepted; larger pictures are refused before any
// pixel memory is allocated.
inline constexpr int JpegMaxSide = 16384;

// Most scans accepted in a progressive file. Real files have about ten;
// thousands are only seen in files crafted to keep the decoder busy.
inline constexpr int JpegMaxScans = 1000;

QImage DecodeJpegFile(const QString& path, QString* error = nullptr);
QImage DecodeJpegData(const QByteArray& data, QString* error = nullptr);
