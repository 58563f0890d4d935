#include "scenes/SimulatedProjector.h"

#include "scenes/Sensor.h"

#include <opencv2/imgproc.hpp>

namespace
{

/// What the table round the sheet reflects: the dark table the camera sees there.
const cv::Scalar tableReflectance(60, 75, 90);

/// A camera's colour filters pass some of each colour into the others'
/// channels (B, G, R rows): projected green brightens the blue channel too,
/// which is the one the motion test reads.
const cv::Matx33f channelCrosstalk(0.80f, 0.15f, 0.05f, 0.10f, 0.80f, 0.10f, 0.05f, 0.15f, 0.80f);

/// Each camera pixel averages 2 x 2 samples of the light, as the camera's
/// picture of the room does: a projected edge falls between camera pixels.
/// Honest light too: a pixel gathers the light over its area, and the lens's
/// blur after it does not undo a light sampled once a pixel, which moves each
/// projected edge by up to half a camera pixel (a projector pixel of a
/// 1280-wide picture over the board, one and a half of a 1920-wide one).
constexpr int supersampling = 2;

/// Jitter is drawn from this seed and the read.
constexpr uint64_t jitterSeed = 0x6a6974746572ull;

}  // namespace

SimulatedProjector::SimulatedProjector(const ProjectorPlacement& placement, const ARParam& camera)
	: where(placement), camera(camera)
{
	const cv::Matx33d intrinsics(placement.focal, 0.0, (placement.size.width - 1) / 2.0, 0.0, placement.focal,
		(placement.size.height - 1) / 2.0, 0.0, 0.0, 1.0);
	const CameraView& view = placement.view;
	toProjector = planeToPixels(intrinsics, viewOfBoard(view.distance, view.tilt, view.turn, view.target));
}

cv::Matx33d SimulatedProjector::idealCameraToProjector(const CameraPose& cameraPose) const
{
	return toProjector * planeToPixels(cameraIntrinsics(camera), cameraPose).inv();
}

SimulatedProjector::TableMaps SimulatedProjector::tableMaps(
	const CameraPose& cameraPose, const SheetImage& sheet, int samples) const
{
	const cv::Matx33d toImage = planeToPixels(cameraIntrinsics(camera), cameraPose);
	const cv::Matx33d fromImage = toImage.inv();
	const cv::Size size(camera.xsize * samples, camera.ysize * samples);
	TableMaps maps;
	for (cv::Mat* map : {&maps.sheetX, &maps.sheetY, &maps.projectorX, &maps.projectorY})
	{
		map->create(size, CV_32F);
	}
	for (int row = 0; row < size.height; ++row)
	{
		for (int col = 0; col < size.width; ++col)
		{
			double ix, iy;
			arParamObserv2Ideal(camera.dist_factor, (col + 0.5) / samples - 0.5, (row + 0.5) / samples - 0.5, &ix, &iy);
			const cv::Vec3d plane = fromImage * cv::Vec3d(ix, iy, 1.0);
			cv::Point2f onSheet(-1.0f, -1.0f);
			cv::Point2f lit(-1.0f, -1.0f);
			// Only what lies in front of the camera, and is lit from the front by the projector.
			if (plane[2] != 0.0 && (toImage * plane)[2] * plane[2] > 0.0)
			{
				const cv::Point2d mm(plane[0] / plane[2], plane[1] / plane[2]);
				onSheet = cv::Point2f(sheet.toPixel(mm));
				const cv::Vec3d q = toProjector * cv::Vec3d(mm.x, mm.y, 1.0);
				if (q[2] > 0.0)
				{
					lit = cv::Point2f(float(q[0] / q[2]), float(q[1] / q[2]));
				}
			}
			maps.sheetX.at<float>(row, col) = onSheet.x;
			maps.sheetY.at<float>(row, col) = onSheet.y;
			maps.projectorX.at<float>(row, col) = lit.x;
			maps.projectorY.at<float>(row, col) = lit.y;
		}
	}
	return maps;
}

void SimulatedProjector::learn(const SceneState& view, const SheetImage& sheet, const CameraPose& cameraPose)
{
	ViewMaps& maps = places[view.view];
	if (maps.sheetX.empty())
	{
		TableMaps table = tableMaps(cameraPose, sheet, supersampling);
		maps.sheetX = table.sheetX;
		maps.sheetY = table.sheetY;
		cv::convertMaps(table.projectorX, table.projectorY, maps.mapA, maps.mapB, CV_16SC2);
	}
	cv::Mat reflectance;
	cv::remap(sheet.image, reflectance, maps.sheetX, maps.sheetY, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
		tableReflectance);
	cv::resize(reflectance, footprints[view], cv::Size(camera.xsize, camera.ysize), 0, 0, cv::INTER_AREA);
}

cv::Mat SimulatedProjector::delayedPicture()
{
	cv::Mat newest;
	if (screen != nullptr)
	{
		const auto& windows = screen->lastImages();
		const auto picture = windows.find("projector");
		if (picture != windows.end() && picture->second.type() == CV_8UC3)
		{
			// A projector shows any picture at its own resolution. The display
			// reuses its buffer, so the queue keeps copies.
			if (picture->second.size() != where.size)
			{
				cv::resize(picture->second, newest, where.size, 0, 0, cv::INTER_AREA);
			}
			else
			{
				newest = picture->second.clone();
			}
		}
	}
	shown.push_back(newest);
	reads += 1;
	// One more kept for a late frame.
	const size_t kept = size_t(where.latency) + (where.jitter > 0.0 ? 2 : 1);
	while (shown.size() > kept)
	{
		shown.pop_front();
	}
	const bool late = where.jitter > 0.0 && drawOfPass(jitterSeed, reads) < where.jitter;
	const size_t back = size_t(where.latency) + (late ? 1 : 0);
	return shown.size() > back ? shown[shown.size() - 1 - back] : cv::Mat();
}

cv::Mat SimulatedProjector::pictureOnTable(const SceneState& view)
{
	const cv::Mat picture = delayedPicture();
	if (picture.empty())
	{
		return cv::Mat();
	}
	const ViewMaps& maps = places.at(view.view);
	cv::Mat sampled;
	cv::remap(picture, sampled, maps.mapA, maps.mapB, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar());
	if (sampled.size() == cv::Size(camera.xsize, camera.ysize))
	{
		return sampled;
	}
	cv::Mat onTable;
	cv::resize(sampled, onTable, cv::Size(camera.xsize, camera.ysize), 0, 0, cv::INTER_AREA);
	return onTable;
}

void SimulatedProjector::light(cv::Mat& frame, const SceneState& view)
{
	CV_Assert(knows(view) && frame.type() == CV_8UC3 && frame.size() == cv::Size(camera.xsize, camera.ysize));
	frame.convertTo(frame, -1, where.room);
	added = 0.0;
	lit.release();
	const cv::Mat onTable = pictureOnTable(view);
	if (onTable.empty())
	{
		return;
	}
	// Picture and reflectance are both 255 at full: light = picture * reflectance * brightness.
	cv::multiply(onTable, footprints.at(view), lit, where.brightness / (255.0 * 255.0));
	cv::transform(lit, lit, channelCrosstalk);
	cv::add(frame, lit, frame);
	const cv::Scalar sum = cv::sum(lit);
	added = sum[0] + sum[1] + sum[2];
}

cv::Mat SimulatedProjector::lightOnPaper(const SceneState& view)
{
	CV_Assert(knows(view));
	const cv::Size size(camera.xsize, camera.ysize);
	added = 0.0;
	lit.release();
	const cv::Mat onTable = pictureOnTable(view);
	if (onTable.empty())
	{
		return cv::Mat::zeros(size, CV_32FC3);
	}
	cv::Mat light;
	cv::multiply(onTable, footprints.at(view), light, where.brightness / (255.0 * 255.0), CV_32F);
	cv::transform(light, light, channelCrosstalk);
	light.convertTo(lit, CV_8U);
	const cv::Scalar sum = cv::sum(light);
	added = sum[0] + sum[1] + sum[2];
	return light;
}
