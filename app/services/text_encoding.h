// The encodings of the plain-text books a user imports: UTF-8, GB18030 and Big5, told apart by
// a strict decode and, where both Chinese encodings decode, by which gives the commoner
// characters.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace meridane {

enum class TextEncoding { Utf8, Gb18030, Big5 };

// "UTF-8", "GB18030", "Big5": the names shown to the user.
QString EncodingName(TextEncoding encoding);

// The encoding bytes are most likely in: UTF-8 when they are valid UTF-8 (a byte-order mark
// aside), else GB18030 or Big5.
TextEncoding DetectEncoding(const QByteArray& bytes);

struct DecodeFailure {
    qsizetype line = 0; // 1-based line of the first byte that does not decode
};

// The text bytes stand for in encoding, without a byte-order mark and with line ends made
// "\n"; the line of the first byte that does not decode (or of a NUL, which no text holds)
// when they do not.
struct DecodedText {
    QString text;
    std::optional<DecodeFailure> failure;
};
DecodedText DecodeText(const QByteArray& bytes, TextEncoding encoding);

// text in encoding, without a byte-order mark; empty when a character has no form in it.
QByteArray EncodeText(const QString& text, TextEncoding encoding);

} // namespace meridane
