#include "render/AviHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace
{

/// The headers come first; the frames after them are not read.
constexpr std::size_t headerBytes = 64 * 1024;

uint32_t littleEndian32(const std::vector<unsigned char>& bytes, std::size_t at)
{
	return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
		uint32_t(bytes[at + 3]) << 24;
}

bool hasTag(const std::vector<unsigned char>& bytes, std::size_t at, const char* tag)
{
	return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, tag, 4) == 0;
}

/// The chunks between `begin` and `end`: an id, a little-endian size, the
/// data padded to an even length. A LIST's data starts with its own type.
struct Counts
{
	long main = -1;
	long openDml = -1;
};

void walk(const std::vector<unsigned char>& bytes, std::size_t begin, std::size_t end, Counts& counts)
{
	for (std::size_t at = begin; at + 8 <= end;)
	{
		const std::size_t size = littleEndian32(bytes, at + 4);
		const std::size_t data = at + 8;
		if (hasTag(bytes, at, "LIST") && (hasTag(bytes, data, "hdrl") || hasTag(bytes, data, "odml")))
		{
			walk(bytes, data + 4, std::min(end, data + size), counts);
		}
		// dwTotalFrames is the fifth field of the main header, the first of OpenDML's.
		else if (hasTag(bytes, at, "avih") && data + 20 <= end)
		{
			counts.main = littleEndian32(bytes, data + 16);
		}
		else if (hasTag(bytes, at, "dmlh") && data + 4 <= end)
		{
			counts.openDml = littleEndian32(bytes, data);
		}
		at = data + size + (size & 1);
	}
}

}  // namespace

long aviHeaderFrameCount(const std::string& path, std::string& error)
{
	std::ifstream file(path, std::ios::binary);
	if (!file)
	{
		error = path + ": cannot be read";
		return -1;
	}
	std::vector<unsigned char> bytes(headerBytes);
	file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
	bytes.resize(std::size_t(file.gcount()));
	if (!hasTag(bytes, 0, "RIFF") || !hasTag(bytes, 8, "AVI "))
	{
		error = path + ": not an AVI file";
		return -1;
	}
	Counts counts;
	walk(bytes, 12, bytes.size(), counts);
	if (counts.main < 0)
	{
		error = path + ": an AVI file without its main header";
		return -1;
	}
	return counts.openDml >= 0 ? counts.openDml : counts.main;
}
