#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

/// Write `size` bytes as the file `path`, so that the file under that name is
/// either the whole of them or what it was before, never a part: the bytes go
/// to a new file of a hidden temporary name in the same folder, which is
/// flushed to the disk and then renamed to `path`; last the folder is flushed,
/// so that the rename is on the disk too when this returns. A program killed
/// on the way (or a machine that loses power) leaves at most the temporary
/// file behind. Returns no error, or what failed (a full disk is
/// std::errc::no_space_on_device); after a failure the temporary file is gone,
/// and only a failed flush of the folder leaves the new file under its name.
/// The one way this program writes a file. Safe to call from any thread.
std::error_code writeWholeFile(const std::string& path, const void* bytes, std::size_t size);

inline std::error_code writeWholeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
	return writeWholeFile(path, bytes.data(), bytes.size());
}

/// How writers on several threads put their files under their names in an
/// agreed order while writing and flushing them at the same time: each
/// file's rename waits for its turn, which passes on as soon as it is made.
struct RenameTurn
{
	/// Called once, after the bytes are flushed under the temporary name (or
	/// failed to be): waits for this file's turn. False gives the file up: its
	/// temporary file goes and std::errc::operation_canceled is returned.
	std::function<bool()> await;
	/// Called once, in the turn, with how the file ended: no error once it is
	/// under its name, else why not. The next file may be renamed after this.
	std::function<void(const std::error_code& error)> pass;
};

/// writeWholeFile, renaming in `turn`. The folder is flushed after the turn
/// has passed, so that the flushes of several writers overlap; a failure
/// there is returned, not told to `pass`.
std::error_code writeWholeFile(const std::string& path, const void* bytes, std::size_t size, const RenameTurn& turn);

/// Encode `image` in the format of the path's extension, as cv::imwrite
/// would, and write it whole. An image the format cannot take (an empty one)
/// is std::errc::invalid_argument.
std::error_code writeWholeImage(const std::string& path, const cv::Mat& image);

/// True for the failures after which the disk takes no more: full, over the
/// user's quota, or past the largest file allowed.
bool isDiskFull(const std::error_code& error);
