#include "ScratchFiles.h"
#include "TestSupport.h"
#include "analysis/BoardColours.h"
#include "tracking/ScanEvent.h"
#include "platform/HeadlessDisplay.h"
#include "markers/BoardLayout.h"
#include "tracking/BoardScanner.h"
#include "scenes/SyntheticBoardCamera.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

ARMultiMarkerInfoT readSet(const char* path)
{
	ARMultiMarkerInfoT set;
	std::string error;
	EXPECT_TRUE(readMultiMarkerConfig(path, set, error)) << error;
	return set;
}

ARParam shippedCamera()
{
	ARParam camera;
	EXPECT_EQ(arParamLoad("Data/camera_para.dat", 1, &camera), 0);
	return camera;
}

/// A scanner started on the shipped data, looking through a synthetic camera.
struct DemoScanner
{
	explicit DemoScanner(std::unique_ptr<SyntheticBoardCamera> owned)
	{
		camera = owned.get();
		scanner = std::make_unique<BoardScanner>(std::move(owned));
		started = scanner->initCamera();
	}

	DemoScanner(BoardDrawing drawing, CameraPose pose)
		: DemoScanner(std::make_unique<SyntheticBoardCamera>(readSet("Data/markers/marker.dat"),
			  readSet("Data/markers/portal.dat"), shippedCamera(), std::move(drawing), pose))
	{
	}

	/// Take the camera's picture as the reference frame and scan it.
	bool scan()
	{
		scanner->sceneMoved();
		scanner->setReferenceFrame(scanner->cameraFrame());
		return scanner->scanBoard(board);
	}

	SyntheticBoardCamera* camera = nullptr;
	/// What the scans found.
	RectifiedBoard board;
	std::unique_ptr<BoardScanner> scanner;
	bool started = false;
};

cv::Point2f mapPoint(const cv::Mat& h, cv::Point2f p)
{
	std::vector<cv::Point2f> out;
	cv::perspectiveTransform(std::vector<cv::Point2f>{p}, out, h);
	return out[0];
}

double worstMiss(const std::vector<cv::Point2f>& found, const std::vector<cv::Point2f>& expected)
{
	EXPECT_EQ(found.size(), expected.size());
	double worst = 0.0;
	for (size_t i = 0; i < std::min(found.size(), expected.size()); ++i)
	{
		worst = std::max(worst, double(cv::norm(found[i] - expected[i])));
	}
	return worst;
}

/// The sheet as the board image should show it: board pixels through the
/// sheet's own geometry, without any camera.
cv::Mat expectedBoard(const SyntheticBoardCamera& camera)
{
	cv::Mat mapX(480, 640, CV_32F), mapY(480, 640, CV_32F);
	for (int y = 0; y < 480; ++y)
	{
		for (int x = 0; x < 640; ++x)
		{
			const cv::Point2d pixel = camera.sheet().toPixel(camera.boardToMm(cv::Point2f(float(x), float(y))));
			mapX.at<float>(y, x) = float(pixel.x);
			mapY.at<float>(y, x) = float(pixel.y);
		}
	}
	cv::Mat board, grey;
	cv::remap(camera.sheet().image, board, mapX, mapY, cv::INTER_AREA);
	cv::cvtColor(board, grey, cv::COLOR_BGR2GRAY);
	return grey;
}

const std::vector<cv::Point2f> boardCorners = {{0, 0}, {639, 0}, {639, 479}, {0, 479}};

struct PoseCase
{
	const char* name;
	double distance, tilt, turn;
	cv::Point2d target;
};

class BoardScanAtPose : public ::testing::TestWithParam<PoseCase>
{
};

TEST_P(BoardScanAtPose, CornerMarkersLandOnTheBoardCornersAndTheBoardMatchesTheSheet)
{
	const PoseCase& pose = GetParam();
	DemoScanner demo(demoDrawing(), viewOfBoard(pose.distance, pose.tilt, pose.turn, pose.target));
	ASSERT_TRUE(demo.started);
	ASSERT_TRUE(demo.scan());
	const RectifiedBoard& board = demo.board;
	const BoardTruth& truth = demo.camera->truth();
	ASSERT_EQ(board.homography.size(), cv::Size(3, 3));

	std::vector<cv::Point2f> ideal, observed;
	for (size_t i = 0; i < 4; ++i)
	{
		ideal.push_back(mapPoint(board.homography, truth.idealCornerCentres[i]));
		observed.push_back(mapPoint(board.homography, truth.cornerCentres[i]));
	}
	// Where a pinhole camera puts the centres, and where the lens puts them.
	EXPECT_LT(worstMiss(ideal, boardCorners), 1.0);
	EXPECT_LT(worstMiss(observed, boardCorners), 1.5);
	EXPECT_TRUE(board.boardScanned);
	EXPECT_TRUE(board.portalVisible);
	EXPECT_LT(worstMiss(board.portalCorners, truth.portalCorners), 3.0);  // one marker: less sure than the board
	EXPECT_LT(worstMiss(board.innerCorners, truth.innerCorners), 2.5);

	// The rectified board is the sheet: small differences at ink edges only.
	ASSERT_EQ(board.grey.size(), cv::Size(640, 480));
	ASSERT_EQ(board.grey.type(), CV_8UC1);
	cv::Mat difference;
	cv::absdiff(board.grey, expectedBoard(*demo.camera), difference);
	EXPECT_LT(cv::mean(difference)[0], 6.0);
	EXPECT_LT(cv::countNonZero(difference > 100), 640 * 480 / 100);
}

INSTANTIATE_TEST_SUITE_P(Poses, BoardScanAtPose,
	::testing::Values(PoseCase{"straightDown", 450, 0, 0, {}}, PoseCase{"tilted30", 520, 30, 0, {}},
		PoseCase{"turned", 600, 0, 25, {}}, PoseCase{"halfFrame", 900, 0, 0, {80, 40}},
		PoseCase{"tiltedAndTurned", 560, 25, -40, {0, -20}}),
	[](const auto& info) { return std::string(info.param.name); });

TEST(BoardScan, RectifiedPicturesAreOneBoard)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	ASSERT_TRUE(demo.scan());
	const RectifiedBoard& board = demo.board;
	EXPECT_EQ(board.colour.type(), CV_8UC3);
	cv::Mat grey;
	cv::cvtColor(board.colour, grey, cv::COLOR_BGR2GRAY);
	EXPECT_EQ(cv::norm(grey, board.grey, cv::NORM_INF), 0.0);
	EXPECT_EQ(board.rectifications, 1);
	EXPECT_EQ(board.innerCorners.size(), 2u);
	EXPECT_EQ(demo.scanner->detectCount(), 1);
}

TEST(BoardScan, PortalCornersComeInZigzagOrderWhateverTheCardsTurn)
{
	BoardDrawing drawing;
	drawing.hasPortal = true;
	drawing.portal = {{300.0f, 220.0f}, 30.0f};
	DemoScanner demo(drawing, viewOfBoard(480, 15, 10));
	ASSERT_TRUE(demo.scan());
	const std::vector<cv::Point2f>& corners = demo.board.portalCorners;
	ASSERT_EQ(corners.size(), 4u);
	EXPECT_LT(worstMiss(corners, demo.camera->truth().portalCorners), 2.5);
	// (-60,-60), (-60,60), (60,-60), (60,60): the first two share the card's
	// left side, so 0-1 and 2-3 are sides and 0-3 a diagonal.
	const double side = cv::norm(corners[1] - corners[0]);
	EXPECT_NEAR(cv::norm(corners[3] - corners[2]), side, 2.0);
	EXPECT_NEAR(cv::norm(corners[3] - corners[0]), side * std::sqrt(2.0), 3.0);
	const cv::Point2f centre = (corners[0] + corners[1] + corners[2] + corners[3]) / 4.0f;
	EXPECT_LT(cv::norm(centre - cv::Point2f(300.0f, 220.0f)), 1.5);
	// Taken round the card they outline the card, not a bow-tie.
	const std::vector<cv::Point2f> around = portalCornersAround(corners);
	EXPECT_TRUE(cv::isContourConvex(around));
	EXPECT_NEAR(cv::contourArea(around), side * side, 0.05 * side * side);

	// The hand test takes them in that order: none of the card is paper.
	std::vector<cv::Point> round;
	for (const int i : {0, 1, 3, 2})
	{
		round.emplace_back(cvRound(demo.camera->truth().portalCorners[size_t(i)].x),
			cvRound(demo.camera->truth().portalCorners[size_t(i)].y));
	}
	cv::Mat card(demo.board.colour.size(), CV_8UC1, cv::Scalar(0));
	cv::fillConvexPoly(card, round, cv::Scalar(255));
	EXPECT_EQ(cv::countNonZero(boardPaperPlaces(demo.board, CardLeftOut::Whole) & card), 0);
}

TEST(BoardScan, WithoutThePortalTheScanSucceedsAndKeepsTheOldPortalCorners)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	ASSERT_TRUE(demo.scan());
	const std::vector<cv::Point2f> before = demo.board.portalCorners;
	ASSERT_EQ(before.size(), 4u);

	BoardDrawing noPortal = demoDrawing();
	noPortal.hasPortal = false;
	auto empty = std::make_unique<SyntheticBoardCamera>(readSet("Data/markers/marker.dat"),
		readSet("Data/markers/portal.dat"), shippedCamera(), noPortal, viewOfBoard(450, 0, 0));
	demo.scanner->setReferenceFrame(empty->picture());
	EXPECT_TRUE(demo.scanner->scanBoard(demo.board));
	EXPECT_FALSE(demo.board.portalVisible);
	EXPECT_EQ(demo.board.portalCorners, before);
}

TEST(BoardScan, PortalAloneIsNoBoardAndChangesNothing)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	ASSERT_TRUE(demo.scan());
	const cv::Mat homography = demo.board.homography.clone();
	const uchar* warped = demo.board.colour.data;

	// A sheet whose codes are none of the board's, with the portal card on it.
	ARMultiMarkerInfoT strangers = readSet("Data/markers/marker.dat");
	for (ARMultiEachMarkerInfoT& marker : strangers.marker)
	{
		marker.pattern.id += 20;
	}
	SyntheticBoardCamera portalOnly(
		strangers, readSet("Data/markers/portal.dat"), shippedCamera(), demoDrawing(), viewOfBoard(450, 0, 0));
	demo.scanner->setReferenceFrame(portalOnly.picture());
	EXPECT_FALSE(demo.scanner->scanBoard(demo.board));
	EXPECT_FALSE(demo.board.boardScanned);
	EXPECT_EQ(demo.scanner->detectCount(), 2);
	EXPECT_EQ(cv::norm(demo.board.homography, homography, cv::NORM_INF), 0.0);
	EXPECT_EQ(demo.board.colour.data, warped);
}

TEST(BoardScan, PausedEmptyOrNonColourFramesAreRefusedUntouched)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	BoardScanner& scanner = *demo.scanner;
	RectifiedBoard& board = demo.board;
	scanner.sceneMoved();
	scanner.setScanPaused(true);
	EXPECT_FALSE(scanner.scanBoard(board));
	scanner.setScanPaused(false);
	const cv::Mat good = scanner.referenceFrame();
	// (A colour frame of another size is scanned: the camera is scaled to it.)
	for (const cv::Mat& frame : {cv::Mat(), cv::Mat(480, 640, CV_8UC1, cv::Scalar(255)),
			 cv::Mat(480, 640, CV_8UC4, cv::Scalar::all(255)), cv::Mat(1, 1, CV_8UC3, cv::Scalar::all(255))})
	{
		scanner.setReferenceFrame(frame);
		EXPECT_FALSE(scanner.scanBoard(board));
	}
	EXPECT_EQ(scanner.detectCount(), 0);
	EXPECT_FALSE(board.boardScanned);
	EXPECT_TRUE(board.colour.empty());
	EXPECT_TRUE(board.portalCorners.empty());
	scanner.setReferenceFrame(good);
	EXPECT_TRUE(scanner.scanBoard(board));
}

TEST(BoardScan, PoseErrorBoundIsInclusive)
{
	EXPECT_TRUE(poseAccepted(0.0));
	EXPECT_TRUE(poseAccepted(100.0));
	EXPECT_FALSE(poseAccepted(100.0001));
	EXPECT_FALSE(poseAccepted(-1.0));
}

TEST(BoardScan, ScanBeforeStartUpIsRefused)
{
	BoardScanner scanner(std::make_unique<SyntheticBoardCamera>(readSet("Data/markers/marker.dat"),
		readSet("Data/markers/portal.dat"), shippedCamera(), demoDrawing(), viewOfBoard(450, 0, 0)));
	scanner.sceneMoved();
	RectifiedBoard board;
	EXPECT_FALSE(scanner.scanBoard(board));
}

TEST(BoardScan, FailedDetectionShutsTheTrackerDownAndSaysTheRunCannotGoOn)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	demo.scanner->sceneMoved();
	ARParam noCamera = {};
	demo.scanner->markerTracker().arInitCparam(&noCamera);
	testing::internal::CaptureStderr();
	EXPECT_FALSE(demo.scanner->scanBoard(demo.board));
	EXPECT_NE(testing::internal::GetCapturedStderr().find("marker detection failed"), std::string::npos);
	EXPECT_TRUE(demo.scanner->detectionFailed());
	// The video is closed already; the destructor closes it once more, harmlessly.
	MarkerTracker& tracker = demo.scanner->markerTracker();
	EXPECT_EQ(tracker.arVideoCapStop(), -1);
	EXPECT_EQ(tracker.arVideoClose(), -1);
	demo.scanner.reset();
}

TEST(BoardScan, PrintedBoardIsFoundWhenPhotographed)
{
	const std::string directory = scratchFolder();
	ASSERT_EQ(std::system((std::string(PRINT_BOARD_TOOL) + " " + directory + " >/dev/null").c_str()), 0);
	SheetImage printed;
	printed.image = cv::imread(directory + "board.png");
	printed.pixelsPerMm = 300.0 / 25.4;
	ASSERT_EQ(printed.image.size(), cv::Size(4961, 3508));  // A3 at 300 dpi
	const cv::Mat card = cv::imread(directory + "portal.png");
	EXPECT_EQ(card.size(), cv::Size(1417, 1417));

	DemoScanner demo(std::make_unique<SyntheticBoardCamera>(
		printed, readSet("Data/markers/marker.dat"), shippedCamera(), viewOfBoard(500, 20, 5)));
	ASSERT_TRUE(demo.scan());
	EXPECT_FALSE(demo.board.portalVisible);
	std::vector<cv::Point2f> centres;
	for (const cv::Point2f& centre : demo.camera->truth().idealCornerCentres)
	{
		centres.push_back(mapPoint(demo.board.homography, centre));
	}
	EXPECT_LT(worstMiss(centres, boardCorners), 1.0);
}

TEST(ScanEvent, CarriesTheResultAndWhenFoundTheGeometry)
{
	DemoScanner demo(demoDrawing(), viewOfBoard(450, 0, 0));
	const Event failed = scanEvent(demo.board, false);
	EXPECT_EQ(failed.fields.size(), 1u);
	EXPECT_EQ(eventField(failed, "ok"), "false");

	ASSERT_TRUE(demo.scan());
	const Event found = scanEvent(demo.board, true);
	std::vector<std::string> keys;
	for (const auto& field : found.fields)
	{
		keys.push_back(field.first);
	}
	EXPECT_EQ(keys, (std::vector<std::string>{"ok", "homography", "portalVisible", "portalCorners", "innerCorners"}));
	const std::string homography = eventField(found, "homography");
	EXPECT_EQ(std::count(homography.begin(), homography.end(), ','), 8);
	EXPECT_EQ(homography.substr(homography.rfind(' ') + 1), "1]");  // h33 is 1
	EXPECT_EQ(eventField(found, "portalVisible"), "true");
	const std::string inner = eventField(found, "innerCorners");
	EXPECT_EQ(std::count(inner.begin(), inner.end(), '['), 3);  // two points
}

}  // namespace
