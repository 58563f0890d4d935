#pragma once

#include <cstdint>
#include <string>

/// The space of the file system a folder is on, in bytes.
struct DiskSpace
{
	/// What the program may still write (less what only root may use).
	std::uint64_t free = 0;
	std::uint64_t total = 0;
};

/// The space of the file system holding `folder`; false when it cannot be
/// asked (no such folder).
bool diskSpaceOf(const std::string& folder, DiskSpace& space);

/// The free space below which recording stops by itself unless told
/// otherwise: 2 GiB, or 5 % of a smaller disk.
std::uint64_t defaultKeepFree(std::uint64_t total);

/// A size as people write it: a whole or decimal number with an optional
/// unit, K, M, G or T (powers of 1024; "B" after it and lower case are taken
/// too): "500M", "2G", "1.5GB", "0". False for anything else.
bool parseByteSize(const std::string& text, std::uint64_t& bytes);

/// A size for people: "512 KB", "1.9 GB" (powers of 1024).
std::string formatByteSize(std::uint64_t bytes);
