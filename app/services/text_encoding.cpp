#include "services/text_encoding.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace meridane {

namespace {

const char* ConverterName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Gb18030:
        return "GB18030";
    case TextEncoding::Big5:
        return "Big5";
    }
    return "UTF-8";
}

struct CloseConverter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, CloseConverter>;

Converter Open(TextEncoding encoding) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(ConverterName(encoding), &status));
    if (U_FAILURE(status))
        return nullptr;
    return c;
}

qsizetype LineOf(const QByteArray& bytes, qsizetype offset) {
    return std::count(bytes.constBegin(), bytes.constBegin() + offset, '\n') + 1;
}

// Decodes bytes strictly: the text, or the offset of the first byte that does not decode.
struct Strict {
    QString text;
    qsizetype badOffset = -1;
};

Strict DecodeStrictly(const QByteArray& bytes, TextEncoding encoding) {
    Strict out;
    Converter c = Open(encoding);
    if (!c) {
        out.badOffset = 0;
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // No encoding here gives more UTF-16 units than it takes bytes.
    out.text.resize(bytes.size() + 16);
    const char* source = bytes.constData();
    const char* sourceEnd = source + bytes.size();
    auto* targetStart = reinterpret_cast<UChar*>(out.text.data());
    UChar* target = targetStart;
    ucnv_toUnicode(c.get(), &target, targetStart + out.text.size(), &source, sourceEnd, nullptr,
                   true, &status);
    if (U_FAILURE(status)) {
        char invalid[32];
        int8_t length = sizeof invalid;
        UErrorCode ignored = U_ZERO_ERROR;
        ucnv_getInvalidChars(c.get(), invalid, &length, &ignored);
        out.badOffset = std::max<qsizetype>(0, (source - bytes.constData()) - length);
        out.text.clear();
        return out;
    }
    out.text.resize(target - targetStart);
    return out;
}

// The characters in everyday use: the first level of GB2312 and of Big5, each read through its
// own encoding.
const std::vector<bool>& CommonCharacters() {
    static const std::vector<bool> common = [] {
        std::vector<bool> set(0x10000, false);
        const auto add = [&set](TextEncoding encoding, int leadFirst, int leadLast,
                                std::initializer_list<std::pair<int, int>> trails) {
            QByteArray pairs;
            for (int lead = leadFirst; lead <= leadLast; ++lead)
                for (const auto& [first, last] : trails)
                    for (int trail = first; trail <= last; ++trail)
                        pairs.append(char(lead)).append(char(trail));
            Converter c = Open(encoding);
            if (!c)
                return;
            QString text(pairs.size(), QChar());
            UErrorCode status = U_ZERO_ERROR;
            const int32_t n =
                ucnv_toUChars(c.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                              pairs.constData(), int32_t(pairs.size()), &status);
            if (U_FAILURE(status))
                return;
            for (int32_t i = 0; i < n; ++i)
                if (text.at(i).unicode() >= 0x3400)
                    set[text.at(i).unicode()] = true;
        };
        add(TextEncoding::Gb18030, 0xB0, 0xD7, {{0xA1, 0xFE}});
        add(TextEncoding::Big5, 0xA4, 0xC6, {{0x40, 0x7E}, {0xA1, 0xFE}});
        set[0xFFFD] = false;
        return set;
    }();
    return common;
}

bool IsHan(char16_t u) {
    return (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF);
}

// The private use area: where both encodings put the codes no standard assigns, which a text
// decoded in the wrong one meets often and one decoded in its own hardly ever.
bool IsPrivateUse(char16_t u) {
    return u >= 0xE000 && u <= 0xF8FF;
}

// The share of Han and private-use characters in text that are Han in everyday use (of the
// first ones, which are enough to tell).
double CommonShare(const QString& text) {
    constexpr qsizetype kEnough = 200000;
    const std::vector<bool>& common = CommonCharacters();
    qsizetype han = 0, everyday = 0;
    for (qsizetype i = 0; i < text.size() && han < kEnough; ++i) {
        const char16_t u = text.at(i).unicode();
        if (IsHan(u) || IsPrivateUse(u)) {
            ++han;
            everyday += common[u] ? 1 : 0;
        }
    }
    return han == 0 ? 0.0 : double(everyday) / double(han);
}

QByteArray WithoutByteOrderMark(const QByteArray& bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.mid(3);
    if (encoding == TextEncoding::Gb18030 && bytes.startsWith("\x84\x31\x95\x33"))
        return bytes.mid(4);
    return bytes;
}

} // namespace

QString EncodingName(TextEncoding encoding) {
    return QString::fromLatin1(ConverterName(encoding));
}

TextEncoding DetectEncoding(const QByteArray& bytes) {
    if (DecodeStrictly(WithoutByteOrderMark(bytes, TextEncoding::Utf8), TextEncoding::Utf8)
            .badOffset < 0)
        return TextEncoding::Utf8;
    const Strict gb = DecodeStrictly(bytes, TextEncoding::Gb18030);
    const Strict big5 = DecodeStrictly(bytes, TextEncoding::Big5);
    if (big5.badOffset >= 0)
        return TextEncoding::Gb18030;
    if (gb.badOffset >= 0)
        return TextEncoding::Big5;
    return CommonShare(big5.text) > CommonShare(gb.text) ? TextEncoding::Big5
                                                         : TextEncoding::Gb18030;
}

DecodedText DecodeText(const QByteArray& bytes, TextEncoding encoding) {
    const QByteArray body = WithoutByteOrderMark(bytes, encoding);
    const qsizetype skipped = bytes.size() - body.size();
    Strict s = DecodeStrictly(body, encoding);
    DecodedText out;
    if (s.badOffset >= 0) {
        out.failure = DecodeFailure{LineOf(bytes, skipped + s.badOffset)};
        return out;
    }
    if (const qsizetype nul = s.text.indexOf(QChar(u'\0')); nul >= 0) {
        out.failure = DecodeFailure{1 + s.text.first(nul).count(QLatin1Char('\n'))};
        return out;
    }
    s.text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    out.text = std::move(s.text);
    return out;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding) {
    const Converter c = Open(encoding);
    if (!c)
        return {};
    UErrorCode status = U_ZERO_ERROR;
    QByteArray out(text.size() * 4 + 16, '\0');
    const int32_t n = ucnv_fromUChars(c.get(), out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar*>(text.utf16()),
                                      int32_t(text.size()), &status);
    return U_FAILURE(status) ? QByteArray() : out.left(n);
}

} // namespace meridane
