#pragma once

// Reader of the per-model parameter files. Read anew on every call, so an edited
// file takes effect at the next run without a restart. Safe to call from any thread
// (no shared state).
//
// Rules of the format, on purpose as strict as the files have always been read:
// a line is cut at the first line feed, carriage return or ']'; "[name" starts
// section name; "key=value" matches only when the text before the first '=' equals
// the key exactly (a blank before '=' belongs to the key); the first match in the
// file wins, also across repeated sections of the same name; there are no comments.

// Looks up key in section of the file at path and writes the value (or, when the key,
// the section or the file is missing, defaultText) into out, cut to outSize - 1
// characters and terminated. Returns the number of characters written.
int IPReadIniString(
    const char* section, const char* key, const char* defaultText, char* out, int outSize, const char* path);

// The value through atof (a 259-byte buffer); an empty or missing value gives defaultValue.
float IPReadIniFloat(const char* section, const char* key, float defaultValue, const char* path);

// The value as atoi reads it (a 1023-byte buffer), defaulting to defaultValue: a present
// but non-numeric value gives 0, as atoi does; a number beyond int saturates.
int IPReadIniInt(const char* section, const char* key, int defaultValue, const char* path);

// Whether the file at path can be opened. An algorithm asks once before reading its keys,
// so that a missing file (every key then gives its default) shows on the debug log once
// per run rather than once per key.
bool IPParamFileReadable(const char* path);
