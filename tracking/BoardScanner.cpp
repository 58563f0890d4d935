#include "tracking/BoardScanner.h"


#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>

/// Mean squared reprojection error, pixels squared, above which a set pose is
/// too uncertain to use.
static constexpr double maxPoseError = 100.0;

/// Six markers cannot show in a smaller frame.
static const cv::Size smallestFrame(64, 48);

/// The board's corner markers need markers 0 to 5.
static constexpr int boardMarkerCount = 6;

BoardScanner::BoardScanner(std::unique_ptr<FrameSource> camera, TrackerFiles files)
	: files(std::move(files)), capture(std::move(camera)), tracker(capture.get())
{
}

BoardScanner::~BoardScanner()
{
	// After a failed detection this runs a second time; the tracker ignores it.
	tracker.arVideoCapStop();
	tracker.arVideoClose();
	tracker.argCleanup();
}

bool BoardScanner::initCamera()
{
	if (tracker.arVideoOpen(files.videoConfig.c_str()) < 0)
	{
		return false;
	}
	if (tracker.arVideoInqSize(&imageWidth, &imageHeight) < 0)
	{
		std::fprintf(stderr, "the size of the camera frames is unknown\n");
		return false;
	}
	std::printf("Image size (x,y) = (%d,%d)\n", imageWidth, imageHeight);

	ARParam loaded;
	if (arParamLoad(files.cameraParam.c_str(), 1, &loaded) < 0)
	{
		std::printf("Camera parameter load error !!\n");
		return false;
	}
	loadedParam = loaded;
	arParamChangeSize(&loaded, imageWidth, imageHeight, &scaledParam);
	tracker.arInitCparam(&scaledParam);
	std::printf("*** Camera Parameter ***\n");
	arParamDisp(&scaledParam);

	if ((boardConfig = tracker.arMultiReadConfigFile(files.boardMarkers.c_str())) == nullptr)
	{
		std::printf("config data load error !!\n");
		return false;
	}
	if (boardConfig->marker_num < boardMarkerCount)
	{
		std::fprintf(stderr, "%s: the board needs at least %d markers, it has %d\n", files.boardMarkers.c_str(),
			boardMarkerCount, boardConfig->marker_num);
		std::printf("config data load error !!\n");
		return false;
	}
	if ((portalConfig = tracker.arMultiReadConfigFile(files.portalMarkers.c_str())) == nullptr)
	{
		std::printf("config data load error !!\n");
		return false;
	}

	tracker.argInit(&scaledParam, 1.0, 0, 2, 1, 0);
	tracker.arFittingMode = AR_FITTING_TO_IDEAL;
	tracker.arImageProcMode = AR_IMAGE_PROC_IN_HALF;
	return true;
}

bool BoardScanner::scanBoard(RectifiedBoard& board)
{
	outcome = ScanOutcome();
	outcome.boardMarkers = boardConfig != nullptr ? boardConfig->marker_num : 0;
	outcome.poseErrorLimit = maxPoseError;
	outcome.result = findBoard(board);
	return outcome.found();
}

ScanOutcome::Result BoardScanner::findBoard(RectifiedBoard& board)
{
	if (paused)
	{
		return ScanOutcome::Paused;
	}
	// The detector reads BGR pixels of the camera's size; a scan before the
	// tracker started, or of a frame that is no BGR picture, has nothing to go on.
	if (boardConfig == nullptr || portalConfig == nullptr || reference.type() != CV_8UC3 || reference.empty())
	{
		return ScanOutcome::NoFrame;
	}
	outcome.frameWidth = reference.cols;
	outcome.frameHeight = reference.rows;
	if (reference.cols < smallestFrame.width || reference.rows < smallestFrame.height)
	{
		return ScanOutcome::FrameTooSmall;
	}
	if (reference.cols != imageWidth || reference.rows != imageHeight)
	{
		followFrameSize(reference.size());
	}
	const cv::Mat frame = reference.clone();
	cv::Mat pixels;
	cv::cvtColor(frame, pixels, cv::COLOR_BGR2BGRA);

	if (detections == 0)
	{
		tracker.arUtilTimerReset();
	}
	detections += 1;
	ARMarkerInfo* markerInfo = nullptr;
	int markerCount = 0;
	if (tracker.arDetectMarker(pixels.data, markerThreshold, &markerInfo, &markerCount) < 0)
	{
		tracker.arVideoCapStop();
		tracker.arVideoClose();
		tracker.argCleanup();
		std::fprintf(stderr, "marker detection failed; the program ends\n");
		// The caller ends the run, after the frames it recorded are written.
		detectionBroke = true;
		return ScanOutcome::DetectionFailed;
	}
	tracker.arVideoCapNext();

	board.boardScanned = false;
	outcome.poseError = tracker.arMultiGetTransMat(markerInfo, markerCount, boardConfig);
	for (const ARMultiEachMarkerInfoT& marker : boardConfig->marker)
	{
		outcome.markersSeen += marker.visible >= 0 ? 1 : 0;
	}
	if (!poseAccepted(outcome.poseError))
	{
		tracker.argSwapBuffers();
		return outcome.poseError < 0.0 ? ScanOutcome::MarkersMissing : ScanOutcome::PoseUncertain;
	}
	board.portalVisible = poseAccepted(tracker.arMultiGetTransMat(markerInfo, markerCount, portalConfig));
	return rectifyBoard(frame, board) ? ScanOutcome::Found : ScanOutcome::SeenEdgeOn;
}

void BoardScanner::setReferenceFrame(const cv::Mat& frame)
{
	reference = frame.clone();
	referenceCells = CellPicture(reference);
}

void BoardScanner::followFrameSize(cv::Size size)
{
	std::fprintf(stderr,
		"the camera delivers frames of %d x %d, not the %d x %d it reported at start-up; "
		"its parameters are scaled to %d x %d\n",
		size.width, size.height, imageWidth, imageHeight, size.width, size.height);
	imageWidth = size.width;
	imageHeight = size.height;
	ARParam loaded = loadedParam;
	arParamChangeSize(&loaded, imageWidth, imageHeight, &scaledParam);
	tracker.arInitCparam(&scaledParam);
}

int BoardScanner::markersInView()
{
	if (boardConfig == nullptr || latestFrame.type() != CV_8UC3 || latestFrame.cols < smallestFrame.width
		|| latestFrame.rows < smallestFrame.height)
	{
		return 0;
	}
	cv::Mat pixels;
	cv::cvtColor(latestFrame, pixels, cv::COLOR_BGR2BGRA);
	ARMarkerInfo* markerInfo = nullptr;
	int markerCount = 0;
	if (tracker.arDetectMarker(pixels.data, markerThreshold, &markerInfo, &markerCount) < 0)
	{
		return 0;
	}
	return boardMarkersAmong(markerInfo, markerCount);
}

int BoardScanner::boardMarkersAmong(const ARMarkerInfo* markers, int count) const
{
	int seen = 0;
	for (const ARMultiEachMarkerInfoT& marker : boardConfig->marker)
	{
		seen += std::any_of(markers, markers + count, [&](const ARMarkerInfo& m) { return m.id == marker.patt_id; }) ? 1 : 0;
	}
	return seen;
}

bool poseAccepted(double error)
{
	return error >= 0.0 && error <= maxPoseError;
}
