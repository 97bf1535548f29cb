#pragma once
// The program's interface texts: English at ids 1 to 29, French at the same
// id plus 50. The table is plain data so that new texts are one more row
// (English after 29, French after 79). Texts are UTF-8.

#include <cstddef>

struct TStringTableEntry {
    int Id;
    const char* Text;
};

extern const TStringTableEntry StringTable[];
extern const size_t StringTableCount;

// Where French texts start relative to English ones.
constexpr int FrenchOffset = 50;

// The text of an id, or nullptr when the table has no such id.
const char* StringTableText(int id);
