#include "platform/WholeFile.h"

#include "platform/WholeFileCalls.h"

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

int openAt(int folder, const char* name, int flags, mode_t mode)
{
	return ::openat(folder, name, flags, mode);
}

constexpr WholeFileCalls systemCalls = {openAt, ::write, ::fdatasync, ::fsync, ::renameat, ::unlinkat, ::close};

WholeFileCalls calls = systemCalls;

/// Temporary names differ between threads and between programs writing into
/// the same folder.
std::atomic<unsigned long> temporaryCount{0};

std::error_code lastError()
{
	return std::error_code(errno, std::generic_category());
}

/// An open file descriptor, closed when it goes.
class Descriptor
{
public:
	explicit Descriptor(int fd) : fd(fd) {}
	~Descriptor()
	{
		if (fd >= 0)
		{
			calls.close(fd);
		}
	}
	Descriptor(const Descriptor&) = delete;
	Descriptor& operator=(const Descriptor&) = delete;

	/// Close it now and say whether the last of its writes reached the file.
	std::error_code close()
	{
		const int closing = fd;
		fd = -1;
		return calls.close(closing) == 0 ? std::error_code() : lastError();
	}

	int fd;
};

std::error_code writeAll(int fd, const unsigned char* bytes, std::size_t size)
{
	while (size > 0)
	{
		const ssize_t written = calls.write(fd, bytes, size);
		if (written < 0)
		{
			if (errno == EINTR)
			{
				continue;
			}
			return lastError();
		}
		bytes += written;
		size -= std::size_t(written);
	}
	return {};
}

/// Write the bytes into `temporary` of the folder `folder` and make them durable.
std::error_code writeTemporary(int folder, const std::string& temporary, const void* bytes, std::size_t size)
{
	// 0666 as fopen would, less the user's umask.
	Descriptor file(calls.openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
	if (file.fd < 0)
	{
		return lastError();
	}
	std::error_code error = writeAll(file.fd, static_cast<const unsigned char*>(bytes), size);
	// Without the flush, a rename could reach the disk before the data does,
	// and a power loss would leave an empty file under the final name.
	if (!error && calls.fdatasync(file.fd) != 0)
	{
		error = lastError();
	}
	const std::error_code closed = file.close();
	return error ? error : closed;
}

}  // namespace

std::error_code writeWholeFile(const std::string& path, const void* bytes, std::size_t size)
{
	// Alone, the file's turn is always now.
	return writeWholeFile(path, bytes, size, RenameTurn{[] { return true; }, [](const std::error_code&) {}});
}

std::error_code writeWholeFile(const std::string& path, const void* bytes, std::size_t size, const RenameTurn& turn)
{
	const std::size_t slash = path.rfind('/');
	const std::string folderName = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
	const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
	// Both names are taken in the folder opened here, so the temporary file is
	// renamed within the folder it was written in, even if that folder moves.
	// Opened for reading, as a descriptor that only names it could not be flushed.
	Descriptor folder(calls.openat(AT_FDCWD, folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
	std::error_code error;
	std::string temporary;
	if (folder.fd < 0)
	{
		error = lastError();
	}
	else
	{
		temporary = "." + name + "." + std::to_string(::getpid()) + "-" +
			std::to_string(temporaryCount.fetch_add(1)) + ".tmp";
		error = writeTemporary(folder.fd, temporary, bytes, size);
	}
	// A failure too waits for its turn, so that it is told in order.
	if (!turn.await() && !error)
	{
		error = std::make_error_code(std::errc::operation_canceled);
	}
	if (!error && calls.renameat(folder.fd, temporary.c_str(), folder.fd, name.c_str()) != 0)
	{
		error = lastError();
	}
	if (error && folder.fd >= 0)
	{
		calls.unlinkat(folder.fd, temporary.c_str(), 0);
	}
	turn.pass(error);
	if (error)
	{
		return error;
	}
	// The rename is a change of the folder: until the folder is flushed, a
	// power loss could bring back the old file or none. A file system that
	// cannot flush folders (EINVAL) offers nothing more to wait for.
	if (calls.fsync(folder.fd) != 0 && errno != EINVAL)
	{
		return lastError();
	}
	return {};
}

std::error_code writeWholeImage(const std::string& path, const cv::Mat& image)
{
	const std::size_t dot = path.rfind('.');
	std::vector<uchar> bytes;
	try
	{
		if (image.empty() || dot == std::string::npos || !cv::imencode(path.substr(dot), image, bytes))
		{
			return std::make_error_code(std::errc::invalid_argument);
		}
	}
	catch (const cv::Exception&)
	{
		return std::make_error_code(std::errc::invalid_argument);
	}
	return writeWholeFile(path, bytes);
}

bool isDiskFull(const std::error_code& error)
{
	return error == std::errc::no_space_on_device || error == std::errc::file_too_large ||
		error == std::error_code(EDQUOT, std::generic_category());
}

const WholeFileCalls& systemWholeFileCalls()
{
	return systemCalls;
}

WholeFileCalls replaceWholeFileCalls(const WholeFileCalls& replacement)
{
	const WholeFileCalls before = calls;
	calls = replacement;
	return before;
}
