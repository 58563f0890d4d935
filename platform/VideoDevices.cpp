#include "platform/VideoDevices.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{

/// Sizes asked of a camera that gives any size within a range.
const cv::Size commonSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};

/// An open device file, closed when it goes.
class DeviceFile
{
public:
	explicit DeviceFile(const std::string& path)
		: m_fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)), m_error(m_fd < 0 ? errno : 0)
	{
	}
	~DeviceFile()
	{
		if (m_fd >= 0)
		{
			::close(m_fd);
		}
	}
	DeviceFile(const DeviceFile&) = delete;
	DeviceFile& operator=(const DeviceFile&) = delete;

	bool isOpen() const { return m_fd >= 0; }
	/// Why it did not open, in words, with what to do about a missing permission.
	std::string problem() const
	{
		return std::string(std::strerror(m_error))
			+ (m_error == EACCES ? " (add yourself to the group that owns it, usually \"video\", and log in again)" : "");
	}

	/// One V4L2 request; a signal in between is not a failure.
	bool ask(unsigned long request, void* argument) const
	{
		int result;
		do
		{
			result = ::ioctl(m_fd, request, argument);
		} while (result < 0 && errno == EINTR);
		return result == 0;
	}

private:
	int m_fd;
	int m_error;
};

/// The number N of a file named videoN, or -1.
int videoNumber(const std::string& name)
{
	const std::string prefix = "video";
	if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size() || name.size() > prefix.size() + 4
		|| name.find_first_not_of("0123456789", prefix.size()) != std::string::npos)
	{
		return -1;
	}
	return std::stoi(name.substr(prefix.size()));
}

std::string formatName(std::uint32_t code)
{
	std::string text;
	for (int shift = 0; shift < 32; shift += 8)
	{
		text += char((code >> shift) & 0xFF);
	}
	return text;
}

/// The rates a camera gives `format` at `size`: each of a list, or the two
/// ends of a range.
std::vector<double> ratesAt(const DeviceFile& device, std::uint32_t format, cv::Size size)
{
	std::vector<double> rates;
	v4l2_frmivalenum interval{};
	interval.pixel_format = format;
	interval.width = std::uint32_t(size.width);
	interval.height = std::uint32_t(size.height);
	const auto rate = [](const v4l2_fract& f) { return f.numerator > 0 ? double(f.denominator) / f.numerator : 0.0; };
	for (interval.index = 0; device.ask(VIDIOC_ENUM_FRAMEINTERVALS, &interval); ++interval.index)
	{
		if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE)
		{
			// A range of intervals: its shortest is its highest rate.
			rates.push_back(rate(interval.stepwise.min));
			rates.push_back(rate(interval.stepwise.max));
			break;
		}
		rates.push_back(rate(interval.discrete));
	}
	rates.erase(std::remove(rates.begin(), rates.end(), 0.0), rates.end());
	return rates;
}

/// The sizes a camera gives `format` in: each of a list, or within a range
/// the common sizes and its largest.
std::vector<cv::Size> sizesOf(const DeviceFile& device, std::uint32_t format)
{
	std::vector<cv::Size> sizes;
	v4l2_frmsizeenum size{};
	size.pixel_format = format;
	for (size.index = 0; device.ask(VIDIOC_ENUM_FRAMESIZES, &size); ++size.index)
	{
		if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE)
		{
			sizes.emplace_back(int(size.discrete.width), int(size.discrete.height));
			continue;
		}
		const v4l2_frmsize_stepwise& range = size.stepwise;
		for (const cv::Size common : commonSizes)
		{
			if (std::uint32_t(common.width) >= range.min_width && std::uint32_t(common.width) <= range.max_width
				&& std::uint32_t(common.height) >= range.min_height && std::uint32_t(common.height) <= range.max_height)
			{
				sizes.push_back(common);
			}
		}
		sizes.emplace_back(int(range.max_width), int(range.max_height));
		break;
	}
	return sizes;
}

std::vector<CameraMode> modesOf(const DeviceFile& device)
{
	std::vector<CameraMode> modes;
	v4l2_fmtdesc format{};
	format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
	for (format.index = 0; device.ask(VIDIOC_ENUM_FMT, &format); ++format.index)
	{
		for (const cv::Size size : sizesOf(device, format.pixelformat))
		{
			for (const double rate : ratesAt(device, format.pixelformat, size))
			{
				modes.push_back({size, rate, formatName(format.pixelformat)});
			}
		}
	}
	return modes;
}

/// The device's capture abilities; false when it is no V4L2 device.
bool captures(const DeviceFile& device, std::string& name)
{
	v4l2_capability capability{};
	if (!device.ask(VIDIOC_QUERYCAP, &capability))
	{
		return false;
	}
	// A driver that gives each of its files its own abilities says so; the
	// others give the whole device's.
	const std::uint32_t abilities =
		(capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? capability.device_caps : capability.capabilities;
	name = std::string(reinterpret_cast<const char*>(capability.card),
		strnlen(reinterpret_cast<const char*>(capability.card), sizeof capability.card));
	return (abilities & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

std::string rateList(const std::vector<double>& rates)
{
	std::string text;
	for (const double rate : rates)
	{
		char one[16];
		std::snprintf(one, sizeof one, "%g", rate);
		text += (text.empty() ? "" : ", ") + std::string(one);
	}
	return text;
}

}  // namespace

std::vector<VideoDevice> findVideoDevices(const std::string& folder)
{
	std::vector<VideoDevice> devices;
	std::error_code error;
	for (const auto& entry : std::filesystem::directory_iterator(folder, error))
	{
		const int index = videoNumber(entry.path().filename().string());
		if (index < 0)
		{
			continue;
		}
		VideoDevice device;
		device.path = entry.path().string();
		device.index = index;
		const DeviceFile file(device.path);
		if (!file.isOpen())
		{
			device.problem = file.problem();
		}
		else if (!captures(file, device.name))
		{
			continue;
		}
		else
		{
			device.modes = modesOf(file);
		}
		devices.push_back(device);
	}
	std::sort(devices.begin(), devices.end(), [](const VideoDevice& a, const VideoDevice& b) { return a.index < b.index; });
	return devices;
}

std::vector<CameraMode> offeredModes(const std::string& path)
{
	const DeviceFile file(path);
	std::string name;
	if (!file.isOpen() || !captures(file, name))
	{
		return {};
	}
	return modesOf(file);
}

std::vector<CameraMode> offeredModesOfDevice(int index)
{
	return offeredModes("/dev/video" + std::to_string(index));
}

std::string cameraListText(const std::vector<VideoDevice>& devices)
{
	if (devices.empty())
	{
		return "no camera found: no /dev/video* device captures video; plug one in, or play with --source demo\n";
	}
	std::string text;
	for (const VideoDevice& device : devices)
	{
		text += "device:" + std::to_string(device.index) + "  " + device.path + "  "
			+ (device.problem.empty() ? device.name : "cannot be opened: " + device.problem) + "\n";
		// The rates of each size, by format, in the order the camera gives them.
		std::vector<std::pair<std::string, cv::Size>> order;
		std::map<std::pair<std::string, std::pair<int, int>>, std::vector<double>> rates;
		for (const CameraMode& mode : device.modes)
		{
			const auto key = std::make_pair(mode.format, std::make_pair(mode.size.width, mode.size.height));
			if (rates.count(key) == 0)
			{
				order.emplace_back(mode.format, mode.size);
			}
			rates[key].push_back(mode.framesPerSecond);
		}
		for (const auto& [format, size] : order)
		{
			char line[96];
			std::snprintf(line, sizeof line, "    %-4s  %5d x %-5d ", format.c_str(), size.width, size.height);
			text += line + rateList(rates[{format, {size.width, size.height}}]) + " frames a second\n";
		}
	}
	return text;
}

std::string cameraNames(const std::vector<VideoDevice>& devices)
{
	std::string text;
	for (const VideoDevice& device : devices)
	{
		text += (text.empty() ? "" : ", ") + device.path + " ("
			+ (device.problem.empty() ? device.name : "cannot be opened: " + device.problem) + ")";
	}
	return text.empty() ? "none" : text;
}
