#pragma once

#include "markers/ARParam.h"
#include "markers/MarkerTracker.h"
#include "platform/FrameSource.h"
#include "tracking/CellPicture.h"
#include "tracking/MotionTest.h"
#include "tracking/RectifiedBoard.h"
#include "tracking/ScanOutcome.h"
#include "tracking/TrackerFiles.h"

#include <opencv2/core.hpp>

#include <memory>

/// The camera side of the table: it reads every camera frame, tells a still
/// scene from a moving one, and finds and rectifies the board in the frame
/// that started the still period (into a RectifiedBoard its caller keeps).
///
/// It owns the frame source and the marker tracker with the camera parameters
/// and the two marker sets. Images are reference-counted OpenCV images: the
/// ones it hands out are its own and must not be written to; a caller that
/// wants to change one copies it first.
class BoardScanner
{
public:
	/// Takes the camera; `files` name what initCamera reads.
	explicit BoardScanner(std::unique_ptr<FrameSource> camera, TrackerFiles files = TrackerFiles());
	/// Shuts the marker tracker's video and display down.
	~BoardScanner();

	BoardScanner(const BoardScanner&) = delete;
	BoardScanner& operator=(const BoardScanner&) = delete;

	/// Start the marker tracker: frame size, camera parameters, marker sets.
	/// Returns false, after printing why, when the program cannot go on.
	bool initCamera();

	/// Find the board in the reference frame and rectify it into `board`, the
	/// board of the scans before. False when paused, when there is no frame,
	/// when no board is found, when its pose is too uncertain or when it is
	/// seen too obliquely; the images and corner lists then keep their previous
	/// contents, and lastScan() says why. A frame of another size than the
	/// camera reported scales the camera parameters to it first (said once).
	/// When marker detection itself fails, detectionFailed() is set: the run
	/// cannot go on.
	bool scanBoard(RectifiedBoard& board);

	/// Read one camera frame and compare it with the reference frame (see
	/// compareCellPictures: changes of the light, and what a projector was
	/// expected to add, are not motion). On motion the reference (and the
	/// motion frame) are renewed from it. A closed camera counts as a still
	/// scene (after a short sleep, so the loop does not spin).
	bool sceneMoved(const ExpectedLight& projected = ExpectedLight());
	/// How the last frame read differed from the reference.
	const MotionReading& lastMotionReading() const { return reading; }

	/// Scan `frame` next, and compare the next frames with it: a frame chosen
	/// by the caller (a still photo, a frame the projector did not light)
	/// rather than the one that started the still period. A deep copy is kept.
	void setReferenceFrame(const cv::Mat& frame);
	/// The latest frame becomes the reference: a scan that was held back or
	/// failed is next tried on a frame taken after it, never on the same one.
	void renewReference() { setReferenceFrame(latestFrame); }

	/// How many of the board's markers the latest frame shows (0 before start-up,
	/// or when the frame cannot be searched). Costs a marker detection.
	int markersInView();

	/// The latest camera frame, read in the last sceneMoved; empty before.
	const cv::Mat& cameraFrame() const { return latestFrame; }
	/// The frame that started the still period: what scanBoard reads.
	const cv::Mat& referenceFrame() const { return reference; }
	/// The frame of the last motion, as the recorder keeps it.
	const cv::Mat& motionFrame() const { return lastMotion; }

	/// What the last scan found, or why it found nothing.
	const ScanOutcome& lastScan() const { return outcome; }
	/// Marker detection failed in a scan: the run cannot go on.
	bool detectionFailed() const { return detectionBroke; }
	/// Marker-detection passes so far.
	int detectCount() const { return detections; }

	/// While paused every board scan returns false at once.
	bool scanPaused() const { return paused; }
	void setScanPaused(bool pause) { paused = pause; }

	/// The size of the camera's frames, as reported at start-up or as they came
	/// since; 0 x 0 before initCamera.
	cv::Size frameSize() const { return cv::Size(imageWidth, imageHeight); }
	/// The camera parameters, scaled to frameSize().
	const ARParam& cameraParam() const { return scaledParam; }
	/// The board's and the portal card's marker sets as their files give them,
	/// with the pose of the last scan; null before initCamera.
	const ARMultiMarkerInfoT* boardMarkers() const { return boardConfig; }
	const ARMultiMarkerInfoT* portalMarkers() const { return portalConfig; }

	FrameSource& frameSource() { return *capture; }
	MarkerTracker& markerTracker() { return tracker; }

private:
	/// The scan itself, into `outcome`.
	ScanOutcome::Result findBoard(RectifiedBoard& board);
	/// Second half of a scan: warp `frame` (a BGR copy of the reference) into
	/// the board's pictures and project the portal and drawing-area corners.
	/// False, with nothing changed, when the board's outline in the frame is
	/// too thin or twisted to rectify.
	bool rectifyBoard(const cv::Mat& frame, RectifiedBoard& board);
	/// Scale the camera parameters to frames of `size`, saying so.
	void followFrameSize(cv::Size size);
	/// The board's markers among what detection found in `markers`.
	int boardMarkersAmong(const ARMarkerInfo* markers, int count) const;

	const TrackerFiles files;
	/// Binarisation threshold of marker detection.
	int markerThreshold = 100;
	int detections = 0;
	int imageWidth = 0;
	int imageHeight = 0;
	/// Camera parameters scaled to the image size, and as their file holds
	/// them (for frames of a size the camera did not report).
	ARParam scaledParam = {};
	ARParam loadedParam = {};
	/// Owned by the tracker.
	ARMultiMarkerInfoT* boardConfig = nullptr;
	ARMultiMarkerInfoT* portalConfig = nullptr;

	/// The only source of camera frames. Before the tracker, which keeps a
	/// pointer to it.
	std::unique_ptr<FrameSource> capture;
	MarkerTracker tracker;

	cv::Mat latestFrame;
	cv::Mat reference;
	/// The reference as the motion test compares it.
	CellPicture referenceCells;
	MotionReading reading;
	cv::Mat lastMotion;
	/// A failed frame read has been reported; it is reported once a run.
	bool missingFrameReported = false;

	ScanOutcome outcome;
	bool paused = false;
	bool detectionBroke = false;
};

/// A set pose is accepted when its error lies in [0, 100] pixels squared (a
/// mean miss of about ten pixels); a negative error means not found.
bool poseAccepted(double error);

/// True when the current frame differs from the reference by more than the
/// light explains (compareCellPictures), at any frame size. An empty frame or
/// reference, or two frames of different size or type, count as motion.
/// Pixels set in `ignored` (8-bit, the frame's size) are left out; an empty or
/// other-sized mask leaves none out.
bool frameDiffers(const cv::Mat& current, const cv::Mat& reference, const cv::Mat& ignored = cv::Mat());
