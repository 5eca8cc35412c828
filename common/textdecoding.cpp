#include "common/textdecoding.h"

QStringDecoder windows1252Decoder()
{
    QStringDecoder decoder("windows-1252");
    return decoder.isValid() ? std::move(decoder) : QStringDecoder(QStringConverter::Latin1);
}

QString decodeDefinitionText(const QByteArray &bytes)
{
    const auto bom = QStringConverter::encodingForData(bytes);
    if (bom && *bom != QStringConverter::Utf8) {
        QStringDecoder decoder(*bom);
        return QString(decoder.decode(bytes));
    }
    if (bom || QByteArrayView(bytes).isValidUtf8()) {
        QStringDecoder decoder(QStringConverter::Utf8);
        return QString(decoder.decode(bytes));
    }
    QStringDecoder decoder = windows1252Decoder();
    return QString(decoder.decode(bytes));
}
