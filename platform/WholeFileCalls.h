#pragma once

#include <cstddef>

#include <sys/types.h>

/// The system calls writeWholeFile makes, in a table a test can fill with its
/// own to watch their order or make one of them fail. The program itself
/// never changes it.
struct WholeFileCalls
{
	int (*openat)(int folder, const char* name, int flags, mode_t mode);
	ssize_t (*write)(int fd, const void* bytes, std::size_t size);
	int (*fdatasync)(int fd);
	int (*fsync)(int fd);
	int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
	int (*unlinkat)(int folder, const char* name, int flags);
	int (*close)(int fd);
};

/// The operating system's own.
const WholeFileCalls& systemWholeFileCalls();

/// Make writeWholeFile use `calls` from now on; returns the table used before.
/// Not while another thread is writing a whole file.
WholeFileCalls replaceWholeFileCalls(const WholeFileCalls& calls);
