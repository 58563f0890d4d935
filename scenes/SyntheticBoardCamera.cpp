#include "scenes/SyntheticBoardCamera.h"

#include "core/FixedValues.h"
#include "core/Homography.h"
#include "markers/BoardLayout.h"
#include "scenes/Sensor.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace
{

/// Sheet resolution: about three sheet pixels per camera pixel at the
/// closest views of a 640 x 480 camera, so the photograph does not alias;
/// twice as fine for frames twice as wide and more.
constexpr double sheetPixelsPerMm = 5.0;
constexpr double finestSheetScale = 2.0;

double sheetDensity(const ARParam& camera)
{
	return sheetPixelsPerMm * std::min(finestSheetScale, std::max(1.0, camera.xsize / 640.0));
}

cv::Point2d markerCentre(const ARMultiEachMarkerInfoT& marker)
{
	return cv::Point2d(marker.trans[0][3], marker.trans[1][3]);
}

}  // namespace

CameraPose viewOfBoard(double distance, double tilt, double turn, cv::Point2d target)
{
	// Straight down: image x along the board's x, image y against its y.
	const cv::Matx33d down(1, 0, 0, 0, -1, 0, 0, 0, -1);
	const double t = tilt * CV_PI / 180.0;
	const double r = turn * CV_PI / 180.0;
	const cv::Matx33d tilted(1, 0, 0, 0, std::cos(t), -std::sin(t), 0, std::sin(t), std::cos(t));
	const cv::Matx33d turned(std::cos(r), -std::sin(r), 0, std::sin(r), std::cos(r), 0, 0, 0, 1);
	const cv::Matx33d rotation = turned * tilted * down;
	CameraPose pose;
	cv::Rodrigues(rotation, pose.rotation);
	// The target lies `distance` ahead on the line of sight.
	pose.translation = cv::Vec3d(0, 0, distance) - rotation * cv::Vec3d(target.x, target.y, 0);
	return pose;
}

SyntheticBoardCamera::SyntheticBoardCamera(ARMultiMarkerInfoT board, ARMultiMarkerInfoT portal, ARParam camera,
	BoardDrawing drawing, CameraPose pose, Photography photography)
	: board(std::move(board)), portal(std::move(portal)), camera(cameraForFrames(camera, photography.frameSize)),
	  pose(pose), photography(photography)
{
	paper = renderMarkerSheet(
		this->board, cv::Size2d(boardSheetWidth, boardSheetHeight), sheetDensity(this->camera));
	placeBoard();
	drawOnSheet(drawing);
	photograph();
}

SyntheticBoardCamera::SyntheticBoardCamera(SheetImage sheet, ARMultiMarkerInfoT board, ARParam camera, CameraPose pose,
	Photography photography)
	: board(std::move(board)), camera(cameraForFrames(camera, photography.frameSize)), pose(pose),
	  photography(photography), paper(std::move(sheet))
{
	placeBoard();
	photograph();
}

std::unique_ptr<SyntheticBoardCamera> SyntheticBoardCamera::fromFiles(const char* cameraParamFile,
	const char* boardFile, const char* portalFile, BoardDrawing drawing, CameraPose pose, std::string& error,
	Photography photography)
{
	BoardCameraFiles files;
	if (!readBoardCameraFiles(cameraParamFile, boardFile, portalFile, files, error))
	{
		return nullptr;
	}
	return std::make_unique<SyntheticBoardCamera>(
		std::move(files.board), std::move(files.portal), files.camera, std::move(drawing), pose, photography);
}

ARParam cameraForFrames(const ARParam& camera, cv::Size frameSize)
{
	ARParam scaled = camera;
	if (!frameSize.empty() && frameSize != cv::Size(camera.xsize, camera.ysize))
	{
		arParamChangeSize(&camera, frameSize.width, frameSize.height, &scaled);
	}
	return scaled;
}

bool readBoardCameraFiles(const char* cameraParamFile, const char* boardFile, const char* portalFile,
	BoardCameraFiles& files, std::string& error)
{
	if (arParamLoad(cameraParamFile, 1, &files.camera) < 0)
	{
		error = std::string(cameraParamFile) + ": cannot load camera parameters";
		return false;
	}
	if (!readMultiMarkerConfig(boardFile, files.board, error) || !readMultiMarkerConfig(portalFile, files.portal, error))
	{
		return false;
	}
	if (files.board.marker_num < 6)
	{
		error = std::string(boardFile) + ": the board needs at least 6 markers";
		return false;
	}
	return true;
}

bool SyntheticBoardCamera::read(cv::Mat& out)
{
	out = frame.clone();
	return true;
}

void SyntheticBoardCamera::setPose(const CameraPose& newPose)
{
	pose = newPose;
	photograph();
}

cv::Point2d SyntheticBoardCamera::boardToMm(cv::Point2f boardPixel) const
{
	return applyHomography(boardToSet, boardPixel);
}

cv::Point2f SyntheticBoardCamera::mmToBoard(cv::Point2d mm) const
{
	return cv::Point2f(applyHomography(boardToSet.inv(), mm));
}

void SyntheticBoardCamera::placeBoard()
{
	boardToSet = boardPixelsToSetMm(board);

	groundTruth.innerCorners.clear();
	for (const DrawingAreaCorner& inner : drawingAreaCorners)
	{
		const double(&t)[3][4] = board.marker[size_t(boardCornerMarkers[inner.cornerMarker])].trans;
		const double x = drawingAreaInset * inner.signX;
		const double y = drawingAreaInset * inner.signY;
		groundTruth.innerCorners.push_back(
			mmToBoard(cv::Point2d(t[0][0] * x + t[0][1] * y + t[0][3], t[1][0] * x + t[1][1] * y + t[1][3])));
	}
}

void SyntheticBoardCamera::drawOnSheet(const BoardDrawing& drawing)
{
	// The board pixel space is nearly a uniform scaling of the sheet.
	const double mmPerBoardPixel = cv::norm(boardToMm({float(boardWidth - 1), 0.0f}) - boardToMm({0.0f, 0.0f}))
		/ (boardWidth - 1);
	const double sheetPerBoard = mmPerBoardPixel * paper.pixelsPerMm;
	const int shift = 4;
	const auto at = [&](cv::Point2f p) {
		const cv::Point2d pixel = paper.toPixel(boardToMm(p)) * double(1 << shift);
		return cv::Point(int(std::lround(pixel.x)), int(std::lround(pixel.y)));
	};
	const auto thickness = [&](float width) { return std::max(1, int(std::lround(width * sheetPerBoard))); };

	for (const InkStroke& stroke : drawing.strokes)
	{
		for (size_t i = 1; i < stroke.points.size(); ++i)
		{
			cv::line(paper.image, at(stroke.points[i - 1]), at(stroke.points[i]), inkColour(stroke.ink, stroke.colour),
				thickness(stroke.width), cv::LINE_AA, shift);
		}
	}
	for (const InkCircle& circle : drawing.circles)
	{
		if (circle.isHandDrawn() && !circle.filled)
		{
			const std::vector<cv::Point2f> path = handDrawnRingPath(circle);
			for (size_t i = 1; i < path.size(); ++i)
			{
				cv::line(paper.image, at(path[i - 1]), at(path[i]), inkColour(circle.ink, circle.colour),
					thickness(circle.width), cv::LINE_AA, shift);
			}
			continue;
		}
		const int radius = int(std::lround(circle.radius * sheetPerBoard * (1 << shift)));
		cv::circle(paper.image, at(circle.centre), radius, inkColour(circle.ink, circle.colour),
			circle.filled ? cv::FILLED : thickness(circle.width), cv::LINE_AA, shift);
	}

	if (drawing.hasPortal && portal.marker_num > 0)
	{
		hasPortal = true;
		const cv::Point2d centre = boardToMm(drawing.portal.centre);
		const double angle = drawing.portal.angle * CV_PI / 180.0;
		portalPlacement = cv::Matx33d(std::cos(angle), -std::sin(angle), centre.x, std::sin(angle),
			std::cos(angle), centre.y, 0, 0, 1);
		// Card picture pixels to sheet pixels, through card and sheet millimetres.
		const SheetImage card =
			renderMarkerSheet(portal, cv::Size2d(portalCardSide, portalCardSide), paper.pixelsPerMm);
		const cv::Point2d origin = paper.toPixel(applyHomography(portalPlacement, card.toMm({0, 0})));
		const cv::Point2d alongX = paper.toPixel(applyHomography(portalPlacement, card.toMm({1, 0}))) - origin;
		const cv::Point2d alongY = paper.toPixel(applyHomography(portalPlacement, card.toMm({0, 1}))) - origin;
		const cv::Matx23d cardToSheet(alongX.x, alongY.x, origin.x, alongX.y, alongY.y, origin.y);
		cv::warpAffine(card.image, paper.image, cardToSheet, paper.image.size(), cv::INTER_LINEAR,
			cv::BORDER_TRANSPARENT);

		for (const auto& sign : portalCornerSigns)
		{
			groundTruth.portalCorners.push_back(mmToBoard(
				applyHomography(portalPlacement, cv::Point2d(portalHalfSide * sign[0], portalHalfSide * sign[1]))));
		}
	}
}

void SyntheticBoardCamera::photograph()
{
	const bool linear = photography.inLinearLight();
	const Photographer photographer(camera, pose, paper, boardToSet, photography, linear);
	const cv::Matx33d toImage = photographer.planeToImage();
	if (linear)
	{
		focal = photographer.focus(paper.image);
		Sensor(photography, photographer.frameSize()).expose(focal, CameraSettings(), 1, frame);
	}
	else
	{
		frame = photographer.photograph(paper.image);
	}

	// Truth: the board pixel space through the camera.
	const cv::Matx33d boardToImage = toImage * boardToSet;
	groundTruth.homography = boardToImage.inv() * (1.0 / (boardToImage.inv())(2, 2));
	groundTruth.cornerCentres.clear();
	groundTruth.idealCornerCentres.clear();
	for (int marker : boardCornerMarkers)
	{
		const cv::Point2d ideal = applyHomography(toImage, markerCentre(board.marker[size_t(marker)]));
		double ox, oy;
		arParamIdeal2Observ(camera.dist_factor, ideal.x, ideal.y, &ox, &oy);
		groundTruth.idealCornerCentres.push_back(cv::Point2f(ideal));
		groundTruth.cornerCentres.push_back(cv::Point2f(float(ox), float(oy)));
	}
}
