// The string cache: texts are interned once and named by the address of the kept copy. Like
// the game's own cache it ignores case: "valuemod" and "ValueMod" are one identity, spelled as
// it was first interned. It works from the first call on, also during the static
// initialisation of a module, and nothing it hands out is ever released.
#pragma once

#include <cstddef>

namespace vialmark::substitute {

// The interned identity of `text`; null for null.
const char* Intern(const char* text);
// True when `text` is an address this cache handed out.
bool IsInterned(const char* text);
std::size_t InternedCount();

}  // namespace vialmark::substitute
