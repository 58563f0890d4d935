#include "ScratchFiles.h"
#include "platform/HeadlessDisplay.h"
#include "tracking/BoardScanner.h"
#include "markers/MarkerTracker.h"
#include "tracking/PoseMatrices.h"
#include "platform/StillFrameSource.h"
#include "scenes/SyntheticBoardCamera.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <fstream>

namespace
{

const char* videoConfig = "Data\\WDM_camera_flipV.xml";

class ClosedCamera : public StillFrameSource
{
public:
	ClosedCamera() : StillFrameSource(cv::Mat()) {}
	bool isOpened() const override { return false; }
};

TEST(MarkerTrackerVideo, SizeComesFromTheFrameSourceOrElseTheConfiguration)
{
	StillFrameSource small(cv::Mat(240, 320, CV_8UC3));
	MarkerTracker tracker(&small);
	int width = 0, height = 0;
	EXPECT_EQ(tracker.arVideoInqSize(&width, &height), -1);  // not open yet
	ASSERT_EQ(tracker.arVideoOpen(videoConfig), 0);
	ASSERT_EQ(tracker.arVideoInqSize(&width, &height), 0);
	EXPECT_EQ(cv::Size(width, height), cv::Size(320, 240));

	ClosedCamera closed;
	MarkerTracker blind(&closed);
	ASSERT_EQ(blind.arVideoOpen(videoConfig), 0);
	ASSERT_EQ(blind.arVideoInqSize(&width, &height), 0);
	EXPECT_EQ(cv::Size(width, height), cv::Size(640, 480));

	// Capture is never started; stop and close work once, then do nothing.
	EXPECT_EQ(tracker.arVideoCapNext(), 0);
	EXPECT_EQ(tracker.arVideoCapStop(), 0);
	EXPECT_EQ(tracker.arVideoClose(), 0);
	EXPECT_EQ(tracker.arVideoClose(), -1);
	EXPECT_EQ(tracker.arVideoCapStop(), -1);
	EXPECT_EQ(tracker.arVideoInqSize(&width, &height), -1);
}

TEST(MarkerTrackerVideo, UnusableConfigurationsAreRefused)
{
	MarkerTracker tracker(nullptr);
	const std::string path = scratchPath("video.xml");
	EXPECT_EQ(tracker.arVideoOpen((testing::TempDir() + "absent.xml").c_str()), -1);
	for (const char* text : {"<opencv_storage><width>640</width></opencv_storage>",
			 "<opencv_storage><width>-640</width><height>480</height></opencv_storage>", "<opencv_storage><width>"})
	{
		std::ofstream(path) << "<?xml version=\"1.0\"?>\n" << text << "\n";
		EXPECT_EQ(tracker.arVideoOpen(path.c_str()), -1) << text;
	}
	EXPECT_FALSE(tracker.videoIsOpen());
}

TEST(MarkerTrackerStart, CameraParametersFollowTheFrameSize)
{
	BoardScanner scanner(std::make_unique<StillFrameSource>(cv::Mat(240, 320, CV_8UC3)));
	ASSERT_TRUE(scanner.initCamera());
	EXPECT_EQ(scanner.frameSize().width, 320);
	EXPECT_EQ(scanner.frameSize().height, 240);
	EXPECT_EQ(scanner.cameraParam().xsize, 320);
	EXPECT_DOUBLE_EQ(scanner.cameraParam().mat[0][0], 330.0);  // 660 at 640 wide
	EXPECT_EQ(scanner.markerTracker().cameraParam().xsize, 320);
	ASSERT_NE(scanner.boardMarkers(), nullptr);
	ASSERT_NE(scanner.portalMarkers(), nullptr);
	EXPECT_EQ(scanner.boardMarkers()->marker_num, 6);
	EXPECT_EQ(scanner.markerTracker().arImageProcMode, AR_IMAGE_PROC_IN_HALF);
	EXPECT_EQ(scanner.markerTracker().arFittingMode, AR_FITTING_TO_IDEAL);
}

TEST(MarkerTrackerStart, EachMissingFileStopsStartUp)
{
	const std::string missing = testing::TempDir() + "missing.dat";
	for (int which = 0; which < 4; ++which)
	{
		TrackerFiles files;
		std::string* names[] = {&files.videoConfig, &files.cameraParam, &files.boardMarkers, &files.portalMarkers};
		*names[which] = missing;
		BoardScanner scanner(std::make_unique<StillFrameSource>(cv::Mat(480, 640, CV_8UC3)), files);
		EXPECT_FALSE(scanner.initCamera()) << which;
	}
}

TEST(MarkerTrackerDetection, FindsTheSetsCodesAndFitsTheirPoses)
{
	ARParam camera;
	ASSERT_EQ(arParamLoad("Data/camera_para.dat", 1, &camera), 0);
	MarkerTracker tracker(nullptr);
	tracker.arInitCparam(&camera);
	ARMultiMarkerInfoT* board = tracker.arMultiReadConfigFile("Data/markers/marker.dat");
	ARMultiMarkerInfoT* portal = tracker.arMultiReadConfigFile("Data/markers/portal.dat");
	ASSERT_NE(board, nullptr);
	ASSERT_NE(portal, nullptr);
	// A second read of a set learns no new codes.
	EXPECT_EQ(tracker.arMultiReadConfigFile("Data/markers/marker.dat")->marker[3].patt_id, board->marker[3].patt_id);

	ARMultiMarkerInfoT boardSet = *board, portalSet = *portal;
	BoardDrawing withoutPortal;
	const CameraPose pose = viewOfBoard(450.0, 20.0, 0.0);
	SyntheticBoardCamera view(boardSet, portalSet, camera, withoutPortal, pose);
	cv::Mat pixels;
	cv::cvtColor(view.picture(), pixels, cv::COLOR_BGR2BGRA);
	ARMarkerInfo* found = nullptr;
	int count = -1;
	EXPECT_EQ(tracker.arDetectMarker(nullptr, 100, &found, &count), -1);
	EXPECT_EQ(tracker.arDetectMarker(pixels.data, 256, &found, &count), -1);
	ASSERT_EQ(tracker.arDetectMarker(pixels.data, 100, &found, &count), 0);
	EXPECT_EQ(count, 6);

	const double error = tracker.arMultiGetTransMat(found, count, board);
	EXPECT_GE(error, 0.0);
	EXPECT_LT(error, 0.5);
	EXPECT_EQ(board->prevF, 1);
	// The pose is the camera's: its translation within a few millimetres.
	for (int row = 0; row < 3; ++row)
	{
		EXPECT_NEAR(board->trans[row][3], pose.translation[row], 3.0) << row;
	}
	EXPECT_EQ(tracker.arMultiGetTransMat(found, count, portal), -1.0);
	EXPECT_EQ(portal->prevF, 0);
	EXPECT_EQ(tracker.arMultiGetTransMat(found, 0, board), -1.0);
}

TEST(PoseMatrices, HelpersBuildAndProjectAsDescribed)
{
	const double pose[3][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
	const cv::Mat T = makeHomogeneousPose(pose);
	EXPECT_EQ(T.size(), cv::Size(4, 4));
	EXPECT_EQ(T.at<double>(2, 3), 12.0);
	for (int col = 0; col < 4; ++col)
	{
		EXPECT_EQ(T.at<double>(3, col), col == 3 ? 1.0 : 0.0);
	}

	const cv::Mat p = makeHomogeneousPoint(3, 1.5, -2, 0);
	EXPECT_EQ(p.size(), cv::Size(1, 4));
	EXPECT_EQ(p.at<double>(1), -2.0);
	EXPECT_EQ(p.at<double>(3), 1.0);

	double mat[3][4] = {{600, 0, 320, 0}, {0, 600, 240, 0}, {0, 0, 1, 0}};
	const cv::Mat view = cameraMatrixView(&mat[0][0], 3);
	mat[1][1] = 601.0;
	EXPECT_EQ(view.at<double>(1, 1), 601.0);  // a view, not a copy

	EXPECT_EQ(dehomogenize((cv::Mat_<double>(3, 1) << 10.0, -4.0, 2.0)), cv::Point2f(5.0f, -2.0f));

	// A marker 10 mm right of a set 100 mm straight ahead lands right of the centre.
	const double ahead[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 100}};
	const double right[3][4] = {{1, 0, 0, 10}, {0, 1, 0, 0}, {0, 0, 1, 0}};
	const cv::Mat K = view.clone();
	const cv::Mat origin = makeHomogeneousPoint(3, 0.0, 0.0, 0.0);
	const cv::Point2f image = projectToImage(K, makeHomogeneousPose(ahead), makeHomogeneousPose(right), origin);
	EXPECT_FLOAT_EQ(image.x, 320.0f + 60.0f);
	EXPECT_FLOAT_EQ(image.y, 240.0f);
	const cv::Mat halve = (cv::Mat_<double>(3, 3) << 0.5, 0, 0, 0, 0.5, 0, 0, 0, 1);
	const cv::Point2f board = projectToBoard(K, halve, makeHomogeneousPose(ahead) * makeHomogeneousPose(right), origin);
	EXPECT_FLOAT_EQ(board.x, 190.0f);
	EXPECT_FLOAT_EQ(board.y, 120.0f);
}

}  // namespace
