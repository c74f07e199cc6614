#include "gui/controls/Text.h"

#include <array>

#include "core/domain/TypedText.h"

namespace tagwright::gui {

namespace {

// Windows-1252 bytes 0x80-0x9F; the unassigned ones keep their C1 code.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

QString FieldText(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString ByteFieldText(const std::string& bytes) {
    return QString::fromStdString(ShownText(bytes));
}

std::string FieldBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (const int byte = ByteOfCharacter(c.unicode()); byte >= 0) {
            bytes.push_back(static_cast<char>(byte));
            continue;
        }
        bytes.push_back('?');
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
    }
    return bytes;
}

Refusal TakeField(const QString& text, std::string& bytes) {
    return TakeTyped(text.toStdString(), bytes);
}

QString ShownField(const std::string& bytes, const Refusal& refusal) {
    const std::string* typed = refusal.TypedFor(bytes);
    return typed != nullptr ? QString::fromStdString(*typed) : ByteFieldText(bytes);
}

QString MessageText(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(b >= 0x80 && b <= 0x9F ? QChar(kCp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

}  // namespace tagwright::gui
