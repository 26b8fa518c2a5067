#include "platform/linux/CompoundText.h"

#include <QStringDecoder>

namespace {

constexpr char kEsc = 0x1b;
constexpr unsigned char kCsi = 0x9b;

// A character set designated into GL or GR, named by the codec that decodes its bytes. ASCII
// takes them with the high bit clear; every other set with it set, which for the multi-byte
// sets is their EUC form.
struct CharacterSet {
    const char* codec = nullptr; // null: unknown set
    int width = 1;
    bool ascii = false;
    char prefix = 0; // EUC-JP's single shift for the JIS X 0201 katakana
};

const CharacterSet kAscii{"ISO-8859-1", 1, true};
const CharacterSet kLatin1High{"ISO-8859-1"};
const CharacterSet kUnknown{};

CharacterSet NinetyFourSet(char final) {
    switch (final) {
    case 'B': // ASCII
    case 'J': // JIS X 0201 roman: close enough to ASCII for titles
        return kAscii;
    case 'I':
        return {"EUC-JP", 1, false, char(0x8e)};
    default:
        return kUnknown;
    }
}

CharacterSet NinetySixSet(char final) {
    switch (final) {
    case 'A':
        return kLatin1High;
    case 'B':
        return {"ISO-8859-2"};
    case 'C':
        return {"ISO-8859-3"};
    case 'D':
        return {"ISO-8859-4"};
    case 'F':
        return {"ISO-8859-7"};
    case 'G':
        return {"ISO-8859-6"};
    case 'H':
        return {"ISO-8859-8"};
    case 'L':
        return {"ISO-8859-5"};
    case 'M':
        return {"ISO-8859-9"};
    case 'b':
        return {"ISO-8859-15"};
    default:
        return kUnknown;
    }
}

CharacterSet MultiByteSet(char final) {
    switch (final) {
    case 'A':
        return {"GB2312", 2};
    case 'B':
    case '@':
        return {"EUC-JP", 2};
    case 'C':
        return {"EUC-KR", 2};
    default:
        return {nullptr, 2};
    }
}

const char* ExtendedSegmentCodec(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    if (lower == "gbk-0")
        return "GBK";
    if (lower == "gb18030-0")
        return "GB18030";
    if (lower == "big5-0")
        return "Big5";
    return nullptr;
}

// Gathers runs of bytes in one codec and decodes each run as a whole.
class Output {
public:
    void add(const char* codec, QByteArrayView bytes) {
        if (!codec) {
            flush();
            m_text += QChar::ReplacementCharacter;
            return;
        }
        if (!m_codec || qstrcmp(m_codec, codec) != 0)
            flush();
        m_codec = codec;
        m_pending += bytes;
    }
    void addChar(QChar c) {
        flush();
        m_text += c;
    }
    QString finish() {
        flush();
        return m_text;
    }

private:
    void flush() {
        if (m_pending.isEmpty())
            return;
        QStringDecoder decoder(m_codec);
        if (decoder.isValid())
            m_text += decoder.decode(m_pending);
        else
            m_text += QString(m_pending.size(), QChar::ReplacementCharacter);
        m_pending.clear();
    }

    const char* m_codec = nullptr;
    QByteArray m_pending;
    QString m_text;
};

class Decoder {
public:
    explicit Decoder(const QByteArray& bytes) : m_bytes(bytes) {}

    QString run() {
        while (m_at < m_bytes.size()) {
            const auto byte = static_cast<unsigned char>(m_bytes[m_at]);
            if (byte == kEsc)
                escape();
            else if (byte == kCsi)
                skipControlSequence();
            else if (byte == '\n' || byte == '\t') {
                m_out.addChar(QChar(byte));
                ++m_at;
            } else if (byte >= 0x20 && byte < 0x7f)
                character(m_gl, false);
            else if (byte >= 0xa0)
                character(m_gr, true);
            else
                ++m_at; // other controls carry no text
        }
        return m_out.finish();
    }

private:
    char at(qsizetype i) const { return i < m_bytes.size() ? m_bytes[i] : '\0'; }

    void character(const CharacterSet& set, bool right) {
        // A space in GL is a space whatever set is designated there.
        if (!right && m_bytes[m_at] == ' ') {
            m_out.add(kAscii.codec, " ");
            ++m_at;
            return;
        }
        if (!set.codec) {
            m_out.add(nullptr, {});
            m_at += set.width;
            return;
        }
        QByteArray bytes;
        if (set.prefix)
            bytes += set.prefix;
        for (int i = 0; i < set.width; ++i) {
            const auto byte = static_cast<unsigned char>(at(m_at + i));
            // Every byte of a multi-byte character lies on the side its first byte did.
            if (byte < 0x21 || (byte >= 0x80) != right) {
                m_out.add(nullptr, {});
                m_at += std::max(i, 1);
                return;
            }
            bytes += char(set.ascii ? (byte & 0x7f) : (byte | 0x80));
        }
        m_out.add(set.codec, bytes);
        m_at += set.width;
    }

    void escape() {
        // ESC, intermediate bytes 0x20-0x2f, a final byte 0x30-0x7e.
        qsizetype end = m_at + 1;
        while (end < m_bytes.size() && m_bytes[end] >= 0x20 && m_bytes[end] <= 0x2f)
            ++end;
        const QByteArray intermediates = m_bytes.mid(m_at + 1, end - m_at - 1);
        const char final = at(end);
        m_at = end + 1;
        if (intermediates == "(")
            m_gl = NinetyFourSet(final);
        else if (intermediates == ")")
            m_gr = NinetyFourSet(final);
        else if (intermediates == "-")
            m_gr = NinetySixSet(final);
        else if (intermediates == "$" || intermediates == "$(")
            m_gl = MultiByteSet(final);
        else if (intermediates == "$)")
            m_gr = MultiByteSet(final);
        else if (intermediates == "%" && final == 'G')
            utf8Segment();
        else if (intermediates == "%/")
            extendedSegment();
    }

    void utf8Segment() {
        qsizetype end = m_bytes.indexOf("\x1b%@", m_at);
        if (end < 0)
            end = m_bytes.size();
        m_out.add("UTF-8", QByteArrayView(m_bytes).sliced(m_at, end - m_at));
        m_at = std::min(end + 3, m_bytes.size());
    }

    // ESC % / F M L name STX bytes: M and L give the length of name, STX and bytes.
    void extendedSegment() {
        const auto m = static_cast<unsigned char>(at(m_at));
        const auto l = static_cast<unsigned char>(at(m_at + 1));
        m_at += 2;
        const qsizetype length = qsizetype(m & 0x7f) * 128 + (l & 0x7f);
        const QByteArray segment = m_bytes.mid(m_at, length);
        m_at = std::min(m_at + length, m_bytes.size());
        const qsizetype stx = segment.indexOf('\x02');
        const char* codec = stx < 0 ? nullptr : ExtendedSegmentCodec(segment.left(stx));
        m_out.add(codec, stx < 0 ? QByteArrayView() : QByteArrayView(segment).sliced(stx + 1));
    }

    void skipControlSequence() {
        ++m_at;
        while (m_at < m_bytes.size() && !(m_bytes[m_at] >= 0x40 && m_bytes[m_at] <= 0x7e))
            ++m_at;
        ++m_at;
    }

    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    CharacterSet m_gl = kAscii;
    CharacterSet m_gr = kLatin1High;
    Output m_out;
};

} // namespace

QString CompoundText::decode(const QByteArray& bytes) {
    return Decoder(bytes).run();
}
