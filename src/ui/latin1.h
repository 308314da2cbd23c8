#pragma once
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace dx::ui {

// What the node sends is single-byte text, kept as bytes by the program and shown as Latin-1.
// These two are the only conversions between the two forms.
inline QString latin1Text(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline std::string latin1Bytes(const QString& text) {
    const QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace dx::ui
