// Text between the 8-bit code page and UTF-16.
#pragma once

// The 8-bit code page of this platform is UTF-8. Both return the number of units written, excluding
// the terminator, and always terminate when size > 0.
int AnsiToUnicode(const char* source, int sourceBytes, char16_t* destination, int destinationUnits);
int UnicodeToAnsi(const char16_t* source, int sourceUnits, char* destination, int destinationBytes);
