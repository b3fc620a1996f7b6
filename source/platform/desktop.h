#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane::platform {

// The desktop services the editor uses, one implementation per platform. File names are UTF-8
// (on Windows they reach the system through its wide calls).

// The separator of path components in this platform's file names.
char pathSeparator();

// The user's temporary directory, ending with a path separator; empty when there is none.
std::string temporaryDirectory();

// The user's language as a Windows language id (1041 for Japanese as used in Japan, 1033 for
// English in the United States). Elsewhere it is read from the locale environment.
std::uint16_t userLanguage();

// Creates one directory, readable by the user only where the platform has such permissions.
// False when it could not be made (it may exist already).
bool makeDirectory(const std::string& path);

// Creates a new file at path and writes size bytes into it. The file must not exist, and the
// path's last component is never followed as a link: an existing file or link is left
// untouched and answers false. A failed write removes the new file again and answers false.
bool writeNewFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Asks the desktop to open a file with the user's default program, without waiting for it.
void openDocument(const std::string& path);

// The full path of the program that loaded the plug-in (the host); empty when unknown.
std::string hostExecutablePath();

// The scale of a native window's screen by its DPI (96 dpi is 1), where the platform tells it
// per window; 1 otherwise.
double windowScaleFactor(void* window);

} // namespace kelvane::platform
