// calibrate: measures a camera from photographs of the calibration board and
// writes the camera parameter file the program reads.
//
//     calibrate print [BOARD.png]                 the board to print (A4, 300 dpi)
//     calibrate [-o FILE] PHOTO.png PHOTO.png ...  from photographs
//     calibrate [-o FILE] --device N               from camera N, live
//
// Photograph the printed board, glued flat, from ten or more places: near and
// far, straight on and tilted by up to about 45 degrees, in every part of the
// picture. FILE is Data/camera_para.dat by default. A photograph in poor or
// uneven light is looked at again with its colours read as the program reads
// a board's, mapped by the paper's white.

#include "calibration/CharucoCalibration.h"
#include "calibration/LensModelFit.h"
#include "colour/PaperWhite.h"
#include "markers/ARParam.h"
#include "platform/WholeFile.h"
#include "tools/ToolUsage.h"

#include <opencv2/highgui.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

const char* const usage = "usage: calibrate print [BOARD.png]\n"
						  "       calibrate [-o FILE] PHOTO... \n"
						  "       calibrate [-o FILE] --device N\n";

constexpr double printDotsPerInch = 300.0;
constexpr double mmPerInch = 25.4;
/// A4 in landscape, millimetres.
const cv::Size2d a4Landscape(297.0, 210.0);

/// Live calibration keeps a view every so often, until it has this many.
constexpr int liveViews = 20;
constexpr double secondsBetweenLiveViews = 1.5;

/// Fewer views than this give focal lengths that cannot be trusted.
constexpr int minimumViews = 5;

/// The board's corners in a photograph. When not all of them show, the
/// photograph is looked at once more with its paper read as white, as the
/// program reads a board: a dim or unevenly lit sheet then shows more.
CharucoView findCornersInAnyLight(const CharucoLayout& layout, const cv::Mat& photo)
{
	CharucoView view = findCharucoCorners(layout, photo);
	if (int(view.ids.size()) == layout.cornerCount() || photo.empty())
	{
		return view;
	}
	cv::Mat colour = photo.clone();
	if (colour.channels() == 1)
	{
		cv::cvtColor(photo, colour, cv::COLOR_GRAY2BGR);
	}
	PaperWhite::readAsNeutral(colour, cv::Mat(colour.size(), CV_8UC1, cv::Scalar(255)));
	CharucoView again = findCharucoCorners(layout, colour);
	return again.ids.size() > view.ids.size() ? again : view;
}

int printBoard(const CharucoLayout& layout, const std::string& output)
{
	const cv::Mat sheet = renderCharucoSheet(layout, a4Landscape, printDotsPerInch / mmPerInch);
	const std::error_code failure = writeWholeImage(output, sheet);
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write the picture: %s\n", output.c_str(), failure.message().c_str());
		return 1;
	}
	std::printf("%s: %d x %d pixels, A4 landscape at %.0f dpi; %d x %d squares of %.0f mm\n", output.c_str(),
		sheet.cols, sheet.rows, printDotsPerInch, layout.squaresX, layout.squaresY, layout.squareSide);
	return 0;
}

/// The views of the photographs that show the board; each photograph's fate is
/// printed. All photographs must be of one size, which `imageSize` receives.
bool viewsFromPhotos(const CharucoLayout& layout, const std::vector<std::string>& photos,
	std::vector<CharucoView>& views, cv::Size& imageSize)
{
	for (const std::string& path : photos)
	{
		const cv::Mat photo = cv::imread(path, cv::IMREAD_GRAYSCALE);
		if (photo.empty())
		{
			std::fprintf(stderr, "%s: cannot read the image\n", path.c_str());
			return false;
		}
		if (!imageSize.empty() && photo.size() != imageSize)
		{
			std::fprintf(stderr, "%s: the image is %d x %d, the first was %d x %d; use one camera mode\n",
				path.c_str(), photo.cols, photo.rows, imageSize.width, imageSize.height);
			return false;
		}
		imageSize = photo.size();
		CharucoView view = findCornersInAnyLight(layout, photo);
		std::printf("%s: %zu of %d corners\n", path.c_str(), view.ids.size(), layout.cornerCount());
		if (!view.ids.empty())
		{
			views.push_back(std::move(view));
		}
	}
	return true;
}

/// Views from a live camera: one is kept every so often when the board shows;
/// a window shows the corners found. ESC stops early.
bool viewsFromDevice(const CharucoLayout& layout, int device, std::vector<CharucoView>& views, cv::Size& imageSize)
{
	cv::VideoCapture camera(device);
	if (!camera.isOpened())
	{
		std::fprintf(stderr, "device:%d: cannot open the camera\n", device);
		return false;
	}
	std::printf("show the board to the camera from many places; ESC stops\n");
	auto lastKept = std::chrono::steady_clock::now();
	cv::Mat frame;
	while (int(views.size()) < liveViews && camera.read(frame) && !frame.empty())
	{
		imageSize = frame.size();
		CharucoView view = findCornersInAnyLight(layout, frame);
		const auto now = std::chrono::steady_clock::now();
		const bool keep = !view.ids.empty() && std::chrono::duration<double>(now - lastKept).count() > secondsBetweenLiveViews;
		cv::Mat shown = frame.clone();
		for (const cv::Point2f& corner : view.corners)
		{
			cv::circle(shown, corner, 4, keep ? cv::Scalar(0, 255, 0) : cv::Scalar(255, 0, 0), 2);
		}
		if (keep)
		{
			views.push_back(std::move(view));
			lastKept = now;
			std::printf("view %zu of %d: %zu corners\n", views.size(), liveViews, views.back().ids.size());
		}
		cv::putText(shown, std::to_string(views.size()) + " of " + std::to_string(liveViews), cv::Point(10, 30),
			cv::FONT_HERSHEY_SIMPLEX, 1.0, cv::Scalar(0, 0, 255), 2);
		cv::imshow("calibrate", shown);
		if (cv::waitKey(1) == 27)
		{
			break;
		}
	}
	cv::destroyAllWindows();
	return true;
}

int calibrateAndWrite(const CharucoLayout& layout, const std::vector<CharucoView>& views, cv::Size imageSize,
	const std::string& output)
{
	if (int(views.size()) < minimumViews)
	{
		std::fprintf(stderr, "the board was found in %zu views; %d or more are needed\n", views.size(), minimumViews);
		return 1;
	}
	CameraCalibration calibration;
	calibrateFromViews(layout, views, imageSize, calibration);
	const ARParam param = cameraParamFromCalibration(calibration.cameraMatrix, calibration.distortion, imageSize);
	const cv::Matx33d& K = calibration.cameraMatrix;
	std::printf("%d views of %d x %d: fx %.2f fy %.2f cx %.2f cy %.2f\n", calibration.views, imageSize.width,
		imageSize.height, K(0, 0), K(1, 1), K(0, 2), K(1, 2));
	std::printf("reprojection error %.3f pixels (root mean square)\n", calibration.rmsError);
	std::printf("lens: k1 %.4f k2 %.4f; as the tracker's model f = %.3f, within %.2f pixels of it\n",
		calibration.distortion.size() > 0 ? calibration.distortion[0] : 0.0,
		calibration.distortion.size() > 1 ? calibration.distortion[1] : 0.0, param.dist_factor[2],
		lensModelMismatch(calibration.cameraMatrix, calibration.distortion, param));
	if (arParamSave(output.c_str(), 1, &param) < 0)
	{
		std::fprintf(stderr, "%s: cannot write the camera parameter file: %s\n", output.c_str(), std::strerror(errno));
		return 1;
	}
	std::printf("%s written\n", output.c_str());
	return 0;
}

/// A camera index: digits only.
bool parseDevice(const std::string& text, int& device)
{
	if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos)
	{
		return false;
	}
	device = std::stoi(text);
	return true;
}

}  // namespace

int main(int argc, char** argv)
{
	if (printedHelp(argc, argv, usage))
	{
		return 0;
	}
	const std::vector<std::string> arguments(argv + 1, argv + argc);
	const CharucoLayout layout;
	if (!arguments.empty() && arguments[0] == "print")
	{
		if (arguments.size() > 2)
		{
			std::fputs(usage, stderr);
			return 2;
		}
		return printBoard(layout, arguments.size() == 2 ? arguments[1] : "charuco.png");
	}

	std::string output = "Data/camera_para.dat";
	std::vector<std::string> photos;
	int device = -1;
	for (size_t i = 0; i < arguments.size(); ++i)
	{
		const bool hasValue = i + 1 < arguments.size();
		if (arguments[i] == "-o" && hasValue)
		{
			output = arguments[++i];
		}
		else if (arguments[i] == "--device" && hasValue && parseDevice(arguments[i + 1], device))
		{
			++i;
		}
		else if (arguments[i].empty() || arguments[i][0] == '-')
		{
			std::fprintf(stderr, "calibrate: bad argument \"%s\"\n%s", arguments[i].c_str(), usage);
			return 2;
		}
		else
		{
			photos.push_back(arguments[i]);
		}
	}
	if (photos.empty() == (device < 0))
	{
		std::fputs(usage, stderr);
		return 2;
	}

	std::vector<CharucoView> views;
	cv::Size imageSize;
	const bool gathered = device >= 0 ? viewsFromDevice(layout, device, views, imageSize)
									  : viewsFromPhotos(layout, photos, views, imageSize);
	if (!gathered)
	{
		return 1;
	}
	return calibrateAndWrite(layout, views, imageSize, output);
}
