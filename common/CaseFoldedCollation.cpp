#include "common/CaseFoldedCollation.h"

#include <QChar>
#include <sqlite3.h>

namespace {

// Malformed bytes map above the last code point, each to a value of its own.
constexpr char32_t MalformedByteBase = 0x110000;

// The code point that starts at `at`, which moves past it.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byteAt = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    }
    bool wellFormed = length != 0 && at + length <= text.size();
    for (std::size_t i = 1; wellFormed && i < length; ++i) {
        const unsigned char next = byteAt(at + i);
        wellFormed = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past the Unicode range are malformed too.
    if (!wellFormed || value < smallest || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF)) {
        ++at;
        return MalformedByteBase + lead;
    }
    at += length;
    return value;
}

char32_t Folded(char32_t c) {
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    if (c >= MalformedByteBase)
        return c;
    return QChar::toCaseFolded(c);
}

int CollationCallback(void*, int leftBytes, const void* left, int rightBytes, const void* right) {
    return CompareCaseFolded(
        std::string_view(static_cast<const char*>(left), static_cast<std::size_t>(leftBytes)),
        std::string_view(static_cast<const char*>(right), static_cast<std::size_t>(rightBytes)));
}

} // namespace

int CompareCaseFolded(std::string_view left, std::string_view right) {
    // Most names are compared with themselves as they were stored.
    if (left == right)
        return 0;
    std::size_t l = 0;
    std::size_t r = 0;
    while (l < left.size() && r < right.size()) {
        const char32_t a = NextCodePoint(left, l);
        const char32_t b = NextCodePoint(right, r);
        // Equal characters fold alike; only differing ones need the folding table.
        if (a == b)
            continue;
        const char32_t foldedA = Folded(a);
        const char32_t foldedB = Folded(b);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
    }
    if (l < left.size())
        return 1;
    if (r < right.size())
        return -1;
    return 0;
}

bool RegisterCaseFoldedNocase(sqlite3* db) {
    // Replaces the built-in NOCASE for this connection only; the file is unchanged.
    return sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, &CollationCallback,
                                       nullptr) == SQLITE_OK;
}
