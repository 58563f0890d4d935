#pragma once

#include "markers/ARParam.h"
#include "markers/MarkerTracker.h"
#include "platform/FrameSource.h"
#include "tracking/ScanOutcome.h"

#include <opencv2/core.hpp>

#include <memory>
#include <vector>

class Display;
class DrawingAnalysis;
class PhysicsScene;

/// The camera side of the table: it owns the frame source, the marker
/// tracker's state, every board image and contour list and the scan flags.
///
/// Images are reference-counted OpenCV images; a deep copy is made with clone
/// where it matters, every other assignment shares pixels. Before the first
/// successful scan every image and both corner lists are empty, and readers
/// must accept that.
class BoardScanner
{
public:
	/// Takes the camera and the display its windows go to. The display must
	/// outlive the scanner.
	BoardScanner(std::unique_ptr<FrameSource> capture, Display& display);
	/// Shuts the marker tracker's video and display down, then releases the
	/// fields, the camera last of the public ones.
	~BoardScanner();

	BoardScanner(const BoardScanner&) = delete;
	BoardScanner& operator=(const BoardScanner&) = delete;

	/// Start the marker tracker: frame size, camera parameters, marker sets.
	/// Returns false, after printing why, when the program cannot go on.
	bool initCamera();

	/// Find the board in the reference frame and rectify it. False when paused,
	/// when there is no frame, when no board is found, when its pose is too
	/// uncertain or when it is seen too obliquely; the images and corner lists
	/// then keep their previous contents, and `lastScan` says why. A frame of
	/// another size than the camera reported scales the camera parameters to
	/// it first (said once). When marker detection itself fails,
	/// `detectionFailed` is set: the run cannot go on.
	bool scanBoard();

	/// Read one camera frame into cameraFrame and compare it with the reference.
	/// On motion both references are renewed from it. A closed camera counts as
	/// a still scene (after a short sleep, so the loop does not spin).
	bool sceneMoved();

	// Drawing analysis of the rectified board (analysis/).

	/// Split warpedColor into the black, red and yellow ink masks and thin the
	/// black and yellow ones to one-pixel lines; shows the black mask.
	void segmentColours();
	/// Contours of blackMask into blackContours, drawn into contourImage.
	void extractBlackContours();
	/// Contours of yellowMask into yellowContours.
	void extractColourContours();
	/// Clear every black pixel outside a rectangle of the board.
	void cropToRect(float left, float top, float width, float height);

	// What the camera shows (render/).

	/// Erase the circles that became bodies, paint the moving bodies into the
	/// camera picture, and show "warped" and "normal".
	void composeCameraView(const DrawingAnalysis& analysis, PhysicsScene& scene);

	/// Images, by header: they share pixels with the fields.
	cv::Mat getCameraFrame() const { return cameraFrame; }
	cv::Mat getWarpedGray() const { return warpedGray; }
	cv::Mat getWarpedSnapshot() const { return warpedSnapshot; }
	cv::Mat getContourImage() const { return contourImage; }
	cv::Mat getHomography() const { return homography; }

	FrameSource& frameSource() { return *capture; }
	MarkerTracker& markerTracker() { return tracker; }

	// Fields, in the order of their roles: tracker set-up, camera, analysis
	// results, scan state.

	/// Video configuration of the marker tracker; the backslash separates
	/// folders, as on the platform the name was first written for.
	const char* videoConfig = "Data\\WDM_camera_flipV.xml";
	int imageWidth = 0;
	int imageHeight = 0;
	/// Binarisation threshold of marker detection.
	int markerThreshold = 100;
	/// Marker-detection passes so far.
	int detectCount = 0;
	const char* cameraParamFile = "Data/camera_para.dat";
	/// Camera parameters scaled to the image size.
	ARParam cameraParam = {};
	/// The camera parameters as their file holds them, for frames of a size
	/// the camera did not report.
	ARParam loadedCameraParam = {};
	const char* boardConfigFile = "Data/markers/marker.dat";
	ARMultiMarkerInfoT* boardConfig = nullptr;
	const char* portalConfigFile = "Data/markers/portal.dat";
	ARMultiMarkerInfoT* portalConfig = nullptr;

	/// The only source of camera frames.
	std::unique_ptr<FrameSource> capture;

	/// Contours of the thinned black and yellow masks, in board pixels.
	std::vector<std::vector<cv::Point>> blackContours;
	std::vector<std::vector<cv::Point>> yellowContours;
	std::vector<cv::Vec4i> hierarchy;
	/// Colours of the contours in "cont". It starts from the same state in
	/// every scanner and is never reset, so a run's pictures repeat exactly.
	cv::RNG contourRng{1235};

	/// Latest camera frame, replaced every pass.
	cv::Mat cameraFrame;
	/// Rectified board of the last scan, 640 x 480, one grey channel.
	cv::Mat warpedGray;
	/// Deep copy of the rectified colour board; circles are erased in it.
	cv::Mat warpedSnapshot;
	/// Rectified colour board, 640 x 480 BGR; input of the segmentation.
	cv::Mat warpedColor;
	/// Contour picture shown in "cont".
	cv::Mat contourImage;
	/// 3 x 3 perspective transform from camera pixels to board pixels.
	cv::Mat homography;
	/// 0/255 ink masks of the rectified board.
	cv::Mat blackMask;
	cv::Mat redMask;
	cv::Mat yellowMask;
	/// Frame kept when motion was last seen; markers are found in it.
	cv::Mat referenceFrame;
	/// Second copy of that frame, for the recorder.
	cv::Mat motionFrame;
	/// Pixels the motion test leaves out (255), such as what a projector lit
	/// lately; empty leaves none out.
	cv::Mat motionIgnored;

	/// While true every board scan returns false at once.
	bool scanPaused = false;
	/// A failed frame read has been reported; it is reported once a run.
	bool missingFrameReported = false;
	/// Marker detection failed in a scan: the run cannot go on.
	bool detectionFailed = false;
	/// What the last scan found, or why it found nothing.
	ScanOutcome lastScan;
	bool portalVisible = false;
	/// Portal corners in board pixels, in the order (-60,-60), (-60,60), (60,-60), (60,60).
	std::vector<cv::Point2f> portalCorners;
	bool boardScanned = false;
	/// Top-left and bottom-right corner of the drawing area, in board pixels.
	std::vector<cv::Point2f> boardInnerCorners;
	/// The four corners of every printed marker of the board, in board pixels,
	/// in the order of the board's marker file: the places that are not paper.
	std::vector<std::vector<cv::Point2f>> markerOutlines;

private:
	/// Second half of a scan: warp `frame` (a BGR copy of the reference) into
	/// the board images and project the portal and drawing-area corners. False,
	/// with nothing changed, when the board's outline in the frame is too thin
	/// or twisted to rectify.
	bool rectifyBoard(const cv::Mat& frame);
	/// The scan itself, into lastScan.
	ScanOutcome::Result findBoard();
	/// Scale the camera parameters to frames of `size`, saying so.
	void followFrameSize(cv::Size size);

	Display& display;
	/// The marker tracker; it owns the two marker sets.
	MarkerTracker tracker;
};

/// A set pose is accepted when its error lies in [0, 100] pixels squared (a
/// mean miss of about ten pixels); a negative error means not found.
bool poseAccepted(double error);

/// True when the current frame differs from the reference by more than a mean
/// of 10 grey levels per pixel in channel 0 (the sum is always divided by
/// 640 x 480). An empty frame or reference, or two frames of different size or
/// type, count as motion. Pixels set in `ignored` (8-bit, the frame's size)
/// add nothing to the sum; an empty or other-sized mask leaves none out.
bool frameDiffers(cv::Mat current, cv::Mat reference, const cv::Mat& ignored = cv::Mat());
