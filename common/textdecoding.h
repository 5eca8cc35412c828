// How the program reads text files: UTF-8, UTF-16/32 by their BOM, and the single-byte lists that
// already exist.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

// UTF-8 with or without BOM, UTF-16/32 with BOM; anything that is not valid UTF-8 is Windows-1252.
QString decodeDefinitionText(const QByteArray &bytes);

// Windows-1252, or Latin-1 where the platform's converter lacks it.
QStringDecoder windows1252Decoder();
