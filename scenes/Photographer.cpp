#include "scenes/Photographer.h"
#include "core/Homography.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <utility>
#include <vector>

namespace
{

/// Each frame pixel averages 2 x 2 samples of the sheet.
constexpr int supersampling = 2;

/// What the camera sees around the sheet: a dark table.
const cv::Scalar tableColour(60, 75, 90);

/// What the sheet positions of a frame's samples depend on: the camera's
/// size, intrinsics and lens, its pose, and the sheet's size and scale.
std::vector<double> sampleMapKey(const ARParam& camera, const CameraPose& pose, const SheetImage& sheet)
{
	std::vector<double> key = {double(camera.xsize), double(camera.ysize), double(sheet.image.cols),
		double(sheet.image.rows), sheet.pixelsPerMm};
	for (int row = 0; row < 3; ++row)
	{
		key.insert(key.end(), camera.mat[row], camera.mat[row] + 3);
	}
	key.insert(key.end(), camera.dist_factor, camera.dist_factor + 4);
	key.insert(key.end(), pose.rotation.val, pose.rotation.val + 3);
	key.insert(key.end(), pose.translation.val, pose.translation.val + 3);
	return key;
}

/// The sample maps of the last few places photographed. Working them out
/// takes a lens inversion a sample (a second at 1920 x 1080), and scenes and
/// their tests photograph the same few places over and over. The maps are
/// shared, never written to once made.
class SampleMapCache
{
public:
	using Maps = std::pair<cv::Mat, cv::Mat>;

	/// The maps kept for `key`, or none (empty mats).
	Maps find(const std::vector<double>& key)
	{
		const std::lock_guard<std::mutex> lock(mutex);
		for (auto kept = entries.begin(); kept != entries.end(); ++kept)
		{
			if (kept->first == key)
			{
				entries.splice(entries.begin(), entries, kept);
				return kept->second;
			}
		}
		return Maps();
	}

	void keep(std::vector<double> key, Maps maps)
	{
		const std::lock_guard<std::mutex> lock(mutex);
		entries.emplace_front(std::move(key), std::move(maps));
		if (entries.size() > capacity)
		{
			entries.pop_back();
		}
	}

private:
	/// Four places hold a scene's and its twin's views; at 1920 x 1080 a place's maps take 66 MB.
	static constexpr size_t capacity = 4;
	std::mutex mutex;
	std::list<std::pair<std::vector<double>, Maps>> entries;
};

SampleMapCache& sampleMapCache()
{
	static SampleMapCache cache;
	return cache;
}

}  // namespace

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

Photographer::Photographer(const ARParam& camera, const CameraPose& pose, const SheetImage& sheet,
	const cv::Matx33d& boardToSet, const Photography& photography, bool linear)
	: camera(camera), photography(photography), size(camera.xsize, camera.ysize), sheetSize(sheet.image.size()),
	  toImage(planeToPixels(cameraIntrinsics(camera), pose))
{
	std::vector<double> key = sampleMapKey(camera, pose, sheet);
	std::tie(sheetX, sheetY) = sampleMapCache().find(key);
	if (sheetX.empty())
	{
		sampleSheet(sheet);
		sampleMapCache().keep(std::move(key), {sheetX, sheetY});
	}
	if (linear)
	{
		lightEveryPixel(sheet, boardToSet);
	}
}

void Photographer::sampleSheet(const SheetImage& sheet)
{
	const cv::Matx33d fromImage = toImage.inv();
	// For every sample of the frame: observed pixel, ideal pixel, point of the
	// sheet plane, sheet picture pixel.
	const cv::Size samples(size.width * supersampling, size.height * supersampling);
	sheetX.create(samples, CV_32F);
	sheetY.create(samples, CV_32F);
	for (int row = 0; row < samples.height; ++row)
	{
		for (int col = 0; col < samples.width; ++col)
		{
			const double ox = (col + 0.5) / supersampling - 0.5;
			const double oy = (row + 0.5) / supersampling - 0.5;
			double ix, iy;
			arParamObserv2Ideal(camera.dist_factor, ox, oy, &ix, &iy);
			const cv::Vec3d plane = fromImage * cv::Vec3d(ix, iy, 1.0);
			float x = -1.0f, y = -1.0f;
			// The plane lies in front of the camera only where its points project with w > 0.
			if (plane[2] != 0.0 && (toImage * plane)[2] * plane[2] > 0.0)
			{
				const cv::Point2d pixel = sheet.toPixel(cv::Point2d(plane[0] / plane[2], plane[1] / plane[2]));
				x = float(pixel.x);
				y = float(pixel.y);
			}
			sheetX.at<float>(row, col) = x;
			sheetY.at<float>(row, col) = y;
		}
	}
}

void Photographer::lightEveryPixel(const SheetImage& sheet, const cv::Matx33d& boardToSet)
{
	const RoomLight& room = photography.light;
	const cv::Matx33d fromImage = toImage.inv();
	const cv::Matx33d setToBoard = boardToSet.inv();
	// The room's fall-off as the old order has it, along d across the sheet.
	const double angle = room.gradientAngle * CV_PI / 180.0;
	const double dx = std::cos(angle), dy = -std::sin(angle);
	const double w = sheetSize.width, h = sheetSize.height;
	const double extent = std::abs(dx) * w + std::abs(dy) * h;
	const cv::Point2d centre(size.width * 0.5, size.height * 0.5);
	const double cornerSquared = centre.dot(centre);

	light.create(size, CV_32FC3);
	cv::Mat glare(size, CV_32FC3);
	if (room.vignetting > 0.0)
	{
		vignetting.create(size, CV_32FC3);
	}
	for (int row = 0; row < size.height; ++row)
	{
		for (int col = 0; col < size.width; ++col)
		{
			double ix, iy;
			arParamObserv2Ideal(camera.dist_factor, col, row, &ix, &iy);
			const cv::Vec3d plane = fromImage * cv::Vec3d(ix, iy, 1.0);
			cv::Vec3d here = room.cast * room.exposure, shine;
			if (plane[2] != 0.0 && (toImage * plane)[2] * plane[2] > 0.0)
			{
				const cv::Point2d mm(plane[0] / plane[2], plane[1] / plane[2]);
				const cv::Point2d onSheet = sheet.toPixel(mm);
				const double along = 0.5 + ((onSheet.x - w * 0.5) * dx + (onSheet.y - h * 0.5) * dy) / extent;
				const cv::Vec3d roomHere = here * (1.0 - room.gradient * std::min(1.0, std::max(0.0, along)));
				photography.local.at(applyHomography(setToBoard, mm), roomHere, room.cast, room.exposure, here, shine);
			}
			light.at<cv::Vec3f>(row, col) = cv::Vec3f(here);
			glare.at<cv::Vec3f>(row, col) = cv::Vec3f(shine);
			if (!vignetting.empty())
			{
				const cv::Point2d off = cv::Point2d(col + 0.5, row + 0.5) - centre;
				const double share = 1.0 - room.vignetting * off.dot(off) / cornerSquared;
				vignetting.at<cv::Vec3f>(row, col) = cv::Vec3f::all(float(share));
			}
		}
	}
	if (cv::countNonZero(glare.reshape(1)) > 0)
	{
		sheen = glare;
	}
}

cv::Mat Photographer::photograph(const cv::Mat& sheet) const
{
	cv::Mat sampled;
	cv::remap(sheet, sampled, sheetX, sheetY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, tableColour);
	lightSheet(sampled, sheetX, sheetY, sheetSize, photography.light);
	cv::Mat frame;
	cv::resize(sampled, frame, size, 0, 0, cv::INTER_AREA);
	developFrame(frame, photography);
	return frame;
}

cv::Mat Photographer::focus(const cv::Mat& sheet) const
{
	CV_Assert(!light.empty() && sheet.size() == sheetSize);
	cv::Mat sampled, reflected;
	cv::remap(sheet, sampled, sheetX, sheetY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, tableColour);
	sampled.convertTo(sampled, CV_32F);
	cv::resize(sampled, reflected, size, 0, 0, cv::INTER_AREA);
	cv::Mat radiance = reflected.mul(light);
	if (!sheen.empty())
	{
		// A glare's light is 255 for white: in the units of the sheet's reflectance.
		cv::scaleAdd(sheen, 255.0, radiance, radiance);
	}
	throughLens(radiance);
	return radiance;
}

void Photographer::throughLens(cv::Mat& radiance) const
{
	CV_Assert(radiance.type() == CV_32FC3 && radiance.size() == size);
	if (!vignetting.empty())
	{
		radiance = radiance.mul(vignetting);
	}
	throughHazyLens(radiance, photography.stages);
	blurByLens(radiance, photography.blur);
}
