#include "render/HalfTurn.h"

cv::Mat halfTurned(const cv::Mat& image)
{
	// A flip about both axes puts (cols - 1 - x, rows - 1 - y) at (x, y):
	// shifted by one pixel down and right, it is the half turn.
	cv::Mat turned = cv::Mat::zeros(image.size(), image.type());
	if (image.rows < 2 || image.cols < 2)
	{
		return turned;
	}
	const cv::Rect inner(1, 1, image.cols - 1, image.rows - 1);
	cv::flip(image(cv::Rect(1, 1, image.cols - 1, image.rows - 1)), turned(inner), -1);
	return turned;
}
