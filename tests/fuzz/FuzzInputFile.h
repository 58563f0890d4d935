#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

/// The parsers that take a path read the fuzzer's input from this file, made
/// once per process and rewritten for every input.
inline const std::string& fuzzInputFile(const uint8_t* data, size_t size)
{
	static const std::string path = [] {
		char name[] = "/tmp/drawtable-fuzz-XXXXXX";
		const int fd = mkstemp(name);
		if (fd < 0)
		{
			std::perror("mkstemp");
			std::abort();
		}
		close(fd);
		return std::string(name);
	}();
	static const struct Remover
	{
		~Remover() { std::remove(path.c_str()); }
	} remover;
	FILE* file = std::fopen(path.c_str(), "wb");
	if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
	{
		std::perror(path.c_str());
		std::abort();
	}
	return path;
}
