#include "tracking/BoardScanner.h"

#include "tracking/ScanEvent.h"

#include <opencv2/imgproc.hpp>

#include <cstdio>

/// Mean squared reprojection error, pixels squared, above which a set pose is
/// too uncertain to use.
static constexpr double maxPoseError = 100.0;

/// The board's corner markers need markers 0 to 5.
static constexpr int boardMarkerCount = 6;

BoardScanner::BoardScanner(std::unique_ptr<FrameSource> capture, Display& display)
	: capture(std::move(capture)), display(display), tracker(this->capture.get())
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
	if (tracker.arVideoOpen(videoConfig) < 0)
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
	if (arParamLoad(cameraParamFile, 1, &loaded) < 0)
	{
		std::printf("Camera parameter load error !!\n");
		return false;
	}
	arParamChangeSize(&loaded, imageWidth, imageHeight, &cameraParam);
	tracker.arInitCparam(&cameraParam);
	std::printf("*** Camera Parameter ***\n");
	arParamDisp(&cameraParam);

	if ((boardConfig = tracker.arMultiReadConfigFile(boardConfigFile)) == nullptr)
	{
		std::printf("config data load error !!\n");
		return false;
	}
	if (boardConfig->marker_num < boardMarkerCount)
	{
		std::fprintf(stderr, "%s: the board needs at least %d markers, it has %d\n", boardConfigFile,
			boardMarkerCount, boardConfig->marker_num);
		std::printf("config data load error !!\n");
		return false;
	}
	if ((portalConfig = tracker.arMultiReadConfigFile(portalConfigFile)) == nullptr)
	{
		std::printf("config data load error !!\n");
		return false;
	}

	tracker.argInit(&cameraParam, 1.0, 0, 2, 1, 0);
	tracker.arFittingMode = AR_FITTING_TO_IDEAL;
	tracker.arImageProcMode = AR_IMAGE_PROC_IN_HALF;
	return true;
}

bool BoardScanner::scanBoard()
{
	const bool found = findBoard();
	reportTo(events, scanEvent(*this, found));
	return found;
}

bool BoardScanner::findBoard()
{
	if (scanPaused)
	{
		return false;
	}
	// The detector reads imageWidth x imageHeight BGR pixels; any other frame
	// (or a scan before the tracker started) is refused, and retried later.
	if (boardConfig == nullptr || portalConfig == nullptr || referenceFrame.type() != CV_8UC3
		|| referenceFrame.cols != imageWidth || referenceFrame.rows != imageHeight || referenceFrame.empty())
	{
		return false;
	}
	const cv::Mat frame = referenceFrame.clone();
	cv::Mat pixels;
	cv::cvtColor(frame, pixels, cv::COLOR_BGR2BGRA);

	if (detectCount == 0)
	{
		tracker.arUtilTimerReset();
	}
	detectCount += 1;
	ARMarkerInfo* markerInfo = nullptr;
	int markerCount = 0;
	if (tracker.arDetectMarker(pixels.data, markerThreshold, &markerInfo, &markerCount) < 0)
	{
		tracker.arVideoCapStop();
		tracker.arVideoClose();
		tracker.argCleanup();
		std::fprintf(stderr, "marker detection failed; the program ends\n");
		// The caller ends the run, after the frames it recorded are written.
		detectionFailed = true;
		return false;
	}
	tracker.arVideoCapNext();

	boardScanned = false;
	if (!poseAccepted(tracker.arMultiGetTransMat(markerInfo, markerCount, boardConfig)))
	{
		tracker.argSwapBuffers();
		return false;
	}
	portalVisible = poseAccepted(tracker.arMultiGetTransMat(markerInfo, markerCount, portalConfig));
	return rectifyBoard(frame);
}

bool poseAccepted(double error)
{
	return error >= 0.0 && error <= maxPoseError;
}
