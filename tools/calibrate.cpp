// calibrate: measures a camera from photographs of a calibration target and
// writes the camera parameter file the program reads.
//
//     calibrate print [BOARD.png]                 the board to print: BOARD.pdf at true size, BOARD.png at 300 dpi
//     calibrate [OPTIONS] PHOTO.png PHOTO.png ...  from photographs
//     calibrate [OPTIONS] --device N               from camera N, live
//
// Photograph the printed board, glued flat, from ten or more places: near and
// far, straight on and tilted by up to about 45 degrees, in every part of the
// picture. A plain chessboard serves too (--chessboard COLSxROWS --square MM,
// counting the inner corners, where four squares meet). FILE (-o) is
// Data/camera_para.dat by default; the file it replaces is kept beside it.
// A result that cannot be right is refused, nothing written, unless --force.
// A photograph in poor or uneven light is looked at again with its colours
// read as the program reads a board's, mapped by the paper's white.

#include "calibration/CalibrationNote.h"
#include "calibration/CalibrationTarget.h"
#include "calibration/CalibrationVerdict.h"
#include "calibration/CameraFileOutput.h"
#include "calibration/LensModelFit.h"
#include "markers/ARParam.h"
#include "platform/WholeFile.h"
#include "print/Paper.h"
#include "print/PngResolution.h"
#include "print/SheetPages.h"
#include "tools/ToolUsage.h"

#include <opencv2/highgui.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace
{

const char* const usage = "usage: calibrate print [BOARD.png]   (also writes BOARD.pdf, to print at 100 %)\n"
						  "       calibrate [-o FILE] [--chessboard COLSxROWS --square MM] [--force] PHOTO...\n"
						  "       calibrate [-o FILE] [--chessboard COLSxROWS --square MM] [--force] --device N\n";

/// A4 in landscape, millimetres.
const cv::Size2d a4Landscape(297.0, 210.0);

/// Live calibration keeps a view every so often, until it has this many.
constexpr int liveViews = 20;
constexpr double secondsBetweenLiveViews = 1.5;

/// Fewer views than this give focal lengths that cannot be trusted.
constexpr int minimumViews = 5;

/// What the command line asks for.
struct Options
{
	std::string output = "Data/camera_para.dat";
	std::vector<std::string> photos;
	int device = -1;
	std::optional<ChessboardLayout> chessboard;
	bool force = false;
};

/// The board to print: BOARD.png at 300 dpi, saying so, and beside it
/// BOARD.pdf at true size, one A4 page in landscape.
int printBoard(const CharucoLayout& layout, const std::string& output)
{
	const cv::Mat sheet = renderCharucoSheet(layout, a4Landscape, printPixelsPerMm);
	const std::string pdf = std::filesystem::path(output).replace_extension(".pdf").string();
	char caption[120];
	std::snprintf(caption, sizeof caption, "calibration board: printed at true size, a square measures %.1f mm",
		layout.squareSide);
	std::string failed = output;
	std::error_code failure = writePngAtResolution(output, sheet, printDotsPerInch);
	if (!failure)
	{
		failed = pdf;
		failure = writeSheetPdf(pdf, sheet, printPixelsPerMm, a4Landscape, caption);
	}
	if (failure)
	{
		std::fprintf(stderr, "%s: cannot write it: %s\n", failed.c_str(), failure.message().c_str());
		return 1;
	}
	std::printf("%s: %d x %d pixels, A4 landscape at %.0f dpi; %d x %d squares of %.0f mm\n", output.c_str(),
		sheet.cols, sheet.rows, printDotsPerInch, layout.squaresX, layout.squaresY, layout.squareSide);
	std::printf("%s: the same at true size on one A4 page; print it at 100 %%, a square measures %.1f mm\n",
		pdf.c_str(), layout.squareSide);
	return 0;
}

/// The views of the photographs that show the target; each photograph's fate
/// is printed. All photographs must be of one size, which `imageSize` receives.
bool viewsFromPhotos(const CalibrationTarget& target, const std::vector<std::string>& photos,
	std::vector<TargetView>& views, cv::Size& imageSize)
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
		TargetView view = target.find(photo);
		std::printf("%s: %zu of %d corners\n", path.c_str(), view.inPhoto.size(), target.cornerCount());
		if (!view.inPhoto.empty())
		{
			views.push_back(std::move(view));
		}
	}
	return true;
}

/// Views from a live camera: one is kept every so often when the target
/// shows; a window shows the corners found. ESC stops early.
bool viewsFromDevice(const CalibrationTarget& target, int device, std::vector<TargetView>& views, cv::Size& imageSize)
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
		TargetView view = target.find(frame, true);
		const auto now = std::chrono::steady_clock::now();
		const bool keep = !view.inPhoto.empty() && std::chrono::duration<double>(now - lastKept).count() > secondsBetweenLiveViews;
		cv::Mat shown = frame.clone();
		for (const cv::Point2f& corner : view.inPhoto)
		{
			cv::circle(shown, corner, 4, keep ? cv::Scalar(0, 255, 0) : cv::Scalar(255, 0, 0), 2);
		}
		if (keep)
		{
			views.push_back(std::move(view));
			lastKept = now;
			std::printf("view %zu of %d: %zu corners\n", views.size(), liveViews, views.back().inPhoto.size());
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

/// What was measured, as the console shows it.
void printCalibration(const CameraCalibration& calibration, const ARParam& param)
{
	const cv::Matx33d& K = calibration.cameraMatrix;
	std::printf("%d views of %d x %d: fx %.2f fy %.2f cx %.2f cy %.2f\n", calibration.views,
		calibration.imageSize.width, calibration.imageSize.height, K(0, 0), K(1, 1), K(0, 2), K(1, 2));
	std::printf("reprojection error %.3f pixels (root mean square)\n", calibration.rmsError);
	std::printf("lens: k1 %.4f; as the tracker's model f = %.3f, within %.2f pixels of it\n",
		calibration.distortion.empty() ? 0.0 : calibration.distortion[0], param.dist_factor[2],
		lensModelMismatch(calibration.cameraMatrix, calibration.distortion, param));
	const TiltSpread spread = tiltSpread(calibration.targetNormals);
	std::printf("the views turn the board by %.0f degrees left to right and %.0f towards and away\n",
		spread.leftRight, spread.towardsAway);
	std::printf("%s\n", gradeLine(calibration.rmsError).c_str());
}

/// Write `param` as `output`, keeping the file it replaces, and the note the
/// program reads beside it.
int writeCalibration(const std::string& output, const ARParam& param, const CalibrationNote& note)
{
	std::string keptAs;
	if (const std::error_code failure = keepPreviousFile(output, keptAs))
	{
		std::fprintf(stderr, "%s: cannot keep the calibration before it, so nothing is written: %s\n",
			output.c_str(), failure.message().c_str());
		return 1;
	}
	if (!keptAs.empty())
	{
		std::printf("the calibration before is kept as %s\n", keptAs.c_str());
	}
	if (arParamSave(output.c_str(), 1, &param) < 0)
	{
		std::fprintf(stderr, "%s: cannot write the camera parameter file: %s\n", output.c_str(), std::strerror(errno));
		return 1;
	}
	std::printf("%s written%s\n", output.c_str(), note.forced ? " anyway (--force)" : "");
	if (const std::error_code failure = writeCalibrationNote(output, note))
	{
		std::fprintf(stderr, "%s: cannot write the note on the calibration (it is written all the same): %s\n",
			calibrationNotePath(output).c_str(), failure.message().c_str());
	}
	return 0;
}

int calibrateAndWrite(const std::vector<TargetView>& views, cv::Size imageSize, const Options& options)
{
	if (int(views.size()) < minimumViews)
	{
		std::fprintf(stderr, "the board was found in %zu views; %d or more are needed; nothing written\n",
			views.size(), minimumViews);
		return 1;
	}
	CameraCalibration calibration;
	calibrateFromViews(views, imageSize, calibration);
	const ARParam param = cameraParamFromCalibration(calibration.cameraMatrix, calibration.distortion, imageSize);
	printCalibration(calibration, param);
	const std::vector<std::string> faults = calibrationFaults(calibration, param);
	for (const std::string& fault : faults)
	{
		std::fprintf(stderr, "%s: %s\n", options.force ? "written all the same" : "refused", fault.c_str());
	}
	if (!faults.empty() && !options.force)
	{
		std::fprintf(stderr, "nothing written to %s (--force writes it anyway)\n", options.output.c_str());
		return 1;
	}
	CalibrationNote note;
	note.written = std::time(nullptr);
	note.grade = gradeName(gradeCalibration(calibration.rmsError));
	note.forced = !faults.empty();
	return writeCalibration(options.output, param, note);
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

/// "9x6": inner corners across and down, 3 to 100 each.
bool parseChessboardSize(const std::string& text, cv::Size& corners)
{
	int across = 0;
	int down = 0;
	char x = 0;
	char extra = 0;
	if (std::sscanf(text.c_str(), "%d%c%d%c", &across, &x, &down, &extra) != 3 || x != 'x')
	{
		return false;
	}
	corners = cv::Size(across, down);
	return across >= 3 && down >= 3 && across <= 100 && down <= 100;
}

/// A square's side in millimetres, above 0 and up to a metre.
bool parseSquare(const std::string& text, double& mm)
{
	char* end = nullptr;
	mm = std::strtod(text.c_str(), &end);
	return !text.empty() && *end == '\0' && std::isfinite(mm) && mm > 0.0 && mm <= 1000.0;
}

/// Fills `options` from the arguments; 0, or the status to end with (2)
/// after saying what is wrong.
int parseOptions(const std::vector<std::string>& arguments, Options& options)
{
	cv::Size corners;
	double squareMm = 0.0;
	for (size_t i = 0; i < arguments.size(); ++i)
	{
		const std::string& argument = arguments[i];
		const bool hasValue = i + 1 < arguments.size();
		const std::string value = hasValue ? arguments[i + 1] : std::string();
		bool understood = true;
		if (argument == "-o" && hasValue)
		{
			options.output = value;
		}
		else if (argument == "--device" && hasValue)
		{
			understood = parseDevice(value, options.device);
		}
		else if (argument == "--chessboard" && hasValue)
		{
			understood = parseChessboardSize(value, corners);
		}
		else if (argument == "--square" && hasValue)
		{
			understood = parseSquare(value, squareMm);
		}
		else if (argument == "--force")
		{
			options.force = true;
			continue;
		}
		else if (argument.empty() || argument[0] == '-')
		{
			std::fprintf(stderr, "calibrate: bad argument \"%s\"\n%s", argument.c_str(), usage);
			return 2;
		}
		else
		{
			options.photos.push_back(argument);
			continue;
		}
		if (!understood)
		{
			std::fprintf(stderr, "calibrate: bad value \"%s\" for %s\n%s", value.c_str(), argument.c_str(), usage);
			return 2;
		}
		++i;
	}
	if ((corners.area() > 0) != (squareMm > 0.0))
	{
		std::fprintf(stderr, "calibrate: --chessboard and --square go together\n%s", usage);
		return 2;
	}
	if (corners.area() > 0)
	{
		options.chessboard = ChessboardLayout{corners, squareMm};
	}
	if (options.photos.empty() == (options.device < 0))
	{
		std::fputs(usage, stderr);
		return 2;
	}
	return 0;
}

}  // namespace

int main(int argc, char** argv)
{
	if (answeredHelpOrVersion(argc, argv, usage))
	{
		return 0;
	}
	// Line by line, so that what is said on standard output and on standard
	// error keeps its order when both go to one file.
	std::setvbuf(stdout, nullptr, _IOLBF, 0);
	const std::vector<std::string> arguments(argv + 1, argv + argc);
	if (!arguments.empty() && arguments[0] == "print")
	{
		if (const char* option = unknownOption(argc, argv))
		{
			return refuseOption(argv[0], option);
		}
		if (arguments.size() > 2)
		{
			std::fputs(usage, stderr);
			return 2;
		}
		return printBoard(CharucoLayout(), arguments.size() == 2 ? arguments[1] : "charuco.png");
	}

	Options options;
	if (const int status = parseOptions(arguments, options))
	{
		return status;
	}
	// Said before any photo is looked at, so that no work is lost to it.
	const std::string unwritable = whyCannotWrite(options.output);
	if (!unwritable.empty())
	{
		std::fprintf(stderr, "%s\n", unwritable.c_str());
		return 1;
	}
	const CalibrationTarget target = options.chessboard ? CalibrationTarget(*options.chessboard)
														: CalibrationTarget(CharucoLayout());
	std::vector<TargetView> views;
	cv::Size imageSize;
	const bool gathered = options.device >= 0 ? viewsFromDevice(target, options.device, views, imageSize)
											  : viewsFromPhotos(target, options.photos, views, imageSize);
	if (!gathered)
	{
		return 1;
	}
	return calibrateAndWrite(views, imageSize, options);
}
