#pragma once
// The compiled-in string table: raw slots with their escapes still in them. Code asks for
// texts through LangString (lang/lang.h); this is the storage behind it.

constexpr int kStringTableSize = 500;

// The raw text of slot `id` (escapes not converted), or null for an empty slot or an id
// outside 0 to 499.
const char* StringTableSlot(int id);
