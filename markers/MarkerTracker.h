#pragma once

#include "markers/ARMultiMarker.h"
#include "markers/ARParam.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <memory>
#include <vector>

class FrameSource;

typedef unsigned char ARUint8;

/// A marker found in an image. Vertices are image pixels as observed (with
/// the lens distortion), in the order top-left, top-right, bottom-right,
/// bottom-left of the printed code, so `dir` is always 0.
struct ARMarkerInfo
{
	int area;
	/// Index in the tracker's pattern table.
	int id;
	int dir;
	/// Confidence; a decoded code is certain.
	double cf;
	double pos[2];
	/// Edge i through vertex i and i + 1, as a x + b y + c = 0.
	double line[4][3];
	double vertex[4][2];
};

/// Pose fitting in ideal (undistorted) or in observed image coordinates.
enum
{
	AR_FITTING_TO_IDEAL = 0,
	AR_FITTING_TO_INPUT = 1
};

/// Marker search on the whole image or on a half-size copy.
enum
{
	AR_IMAGE_PROC_IN_FULL = 0,
	AR_IMAGE_PROC_IN_HALF = 1
};

/// The marker tracker: the video, camera, detection, multi-marker and display
/// operations of ARToolKit, with their names, arguments and results, built on
/// ArUco markers and cv::solvePnP. What ARToolKit keeps in globals lives here,
/// so that every scanner (and every test) has its own.
///
/// The "video" is the scanner's frame source: it is never captured from, only
/// asked for the size of its frames.
class MarkerTracker
{
public:
	/// `frames` may be null, and must outlive the tracker otherwise.
	explicit MarkerTracker(const FrameSource* frames) : frames(frames) {}

	// Video.

	/// Reads the video configuration (see videoConfigPath for how its name is
	/// taken), whose frame size stands in when the frame source cannot tell its
	/// own. -1 after a message when it cannot.
	int arVideoOpen(const char* config);
	/// The size of the frames the source delivers. -1 when the video is closed.
	int arVideoInqSize(int* x, int* y);
	/// Capture is never started, so there is no frame to hand back; -1 when closed.
	int arVideoCapNext();
	int arVideoCapStop();
	/// Closing a closed video does nothing and gives -1.
	int arVideoClose();

	// Camera.

	/// The camera of the following detections and poses; its size is the size
	/// of the images given to arDetectMarker.
	int arInitCparam(ARParam* param);

	// Marker sets.

	/// Load a set and learn its markers' codes. The tracker owns the set for
	/// its whole life. Null after a message naming the file and line.
	ARMultiMarkerInfoT* arMultiReadConfigFile(const char* filename);

	/// Fit the set's pose to the detected markers of the set: the mean squared
	/// reprojection error over their corners in pixels squared, or -1 when no
	/// marker of the set was detected. The pose is left in config->trans.
	double arMultiGetTransMat(ARMarkerInfo* marker_info, int marker_num, ARMultiMarkerInfoT* config);

	// Detection.

	/// Find the known markers in a BGRA image of the camera size. The result
	/// stays valid until the next call. -1 when there is no image or no camera.
	/// ArUco thresholds adaptively, so `thresh` is only checked to be a grey level.
	int arDetectMarker(ARUint8* dataPtr, int thresh, ARMarkerInfo** marker_info, int* marker_num);
	int arUtilTimerReset();
	/// Seconds since the last reset.
	double arUtilTimer() const;

	// Display: the tracker draws nothing, so no window is opened.

	void argInit(ARParam* cparam, double zoom, int fullFlag, int xwin, int ywin, int hmd_flag);
	void argSwapBuffers() {}
	void argCleanup() { displayOpen = false; }

	int arFittingMode = AR_FITTING_TO_IDEAL;
	int arImageProcMode = AR_IMAGE_PROC_IN_FULL;

	bool videoIsOpen() const { return videoOpen; }
	const ARParam& cameraParam() const { return camera; }

private:
	/// The pattern table index of a code, learning it if new.
	int patternIndex(const MarkerPattern& pattern);
	/// Detected code corners of one dictionary, refined on the full image.
	void detectDictionary(const cv::Mat& grey, int dictionary);

	const FrameSource* frames;
	bool videoOpen = false;
	bool displayOpen = false;
	cv::Size configuredSize;
	ARParam camera = {};
	std::vector<MarkerPattern> patterns;
	std::vector<std::unique_ptr<ARMultiMarkerInfoT>> sets;
	std::vector<ARMarkerInfo> detected;
	std::chrono::steady_clock::time_point timerStart = std::chrono::steady_clock::now();
};
