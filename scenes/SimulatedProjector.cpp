#include "scenes/SimulatedProjector.h"

#include <opencv2/calib3d.hpp>
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
constexpr int supersampling = 2;

/// Millimetres of a plane seen by a pinhole at `pose` to its pixels.
cv::Matx33d planeToPixels(const cv::Matx33d& intrinsics, const CameraPose& pose)
{
	cv::Matx33d rotation;
	cv::Rodrigues(pose.rotation, rotation);
	const cv::Matx33d columns(rotation(0, 0), rotation(0, 1), pose.translation[0], rotation(1, 0), rotation(1, 1),
		pose.translation[1], rotation(2, 0), rotation(2, 1), pose.translation[2]);
	return intrinsics * columns;
}

cv::Matx33d cameraIntrinsics(const ARParam& camera)
{
	return cv::Matx33d(camera.mat[0][0], camera.mat[0][1], camera.mat[0][2], camera.mat[1][0], camera.mat[1][1],
		camera.mat[1][2], camera.mat[2][0], camera.mat[2][1], camera.mat[2][2]);
}

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

void SimulatedProjector::learn(const SceneState& view, const SheetImage& sheet, const CameraPose& cameraPose)
{
	const cv::Matx33d toImage = planeToPixels(cameraIntrinsics(camera), cameraPose);
	const cv::Matx33d fromImage = toImage.inv();
	const cv::Size size(camera.xsize * supersampling, camera.ysize * supersampling);
	cv::Mat sheetX(size, CV_32F), sheetY(size, CV_32F), projectorX(size, CV_32F), projectorY(size, CV_32F);
	for (int row = 0; row < size.height; ++row)
	{
		for (int col = 0; col < size.width; ++col)
		{
			double ix, iy;
			arParamObserv2Ideal(camera.dist_factor, (col + 0.5) / supersampling - 0.5,
				(row + 0.5) / supersampling - 0.5, &ix, &iy);
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
			sheetX.at<float>(row, col) = onSheet.x;
			sheetY.at<float>(row, col) = onSheet.y;
			projectorX.at<float>(row, col) = lit.x;
			projectorY.at<float>(row, col) = lit.y;
		}
	}
	Footprint& footprint = footprints[view];
	cv::Mat reflectance;
	cv::remap(sheet.image, reflectance, sheetX, sheetY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, tableReflectance);
	cv::resize(reflectance, footprint.reflectance, cv::Size(camera.xsize, camera.ysize), 0, 0, cv::INTER_AREA);
	cv::convertMaps(projectorX, projectorY, footprint.mapA, footprint.mapB, CV_16SC2);
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
	while (shown.size() > size_t(where.latency) + 1)
	{
		shown.pop_front();
	}
	return shown.size() == size_t(where.latency) + 1 ? shown.front() : cv::Mat();
}

void SimulatedProjector::light(cv::Mat& frame, const SceneState& view)
{
	CV_Assert(knows(view) && frame.type() == CV_8UC3 && frame.size() == cv::Size(camera.xsize, camera.ysize));
	frame.convertTo(frame, -1, where.room);
	added = 0.0;
	lit.release();
	const cv::Mat picture = delayedPicture();
	if (picture.empty())
	{
		return;
	}
	const Footprint& footprint = footprints.at(view);
	cv::Mat sampled;
	cv::remap(picture, sampled, footprint.mapA, footprint.mapB, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar());
	cv::Mat onTable;
	cv::resize(sampled, onTable, frame.size(), 0, 0, cv::INTER_AREA);
	// Picture and reflectance are both 255 at full: light = picture * reflectance * brightness.
	cv::multiply(onTable, footprint.reflectance, lit, where.brightness / (255.0 * 255.0));
	cv::transform(lit, lit, channelCrosstalk);
	cv::add(frame, lit, frame);
	const cv::Scalar sum = cv::sum(lit);
	added = sum[0] + sum[1] + sum[2];
}
