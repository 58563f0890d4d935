#include "core/PixelWorldMapping.h"

#include <gtest/gtest.h>

TEST(PixelWorldMapping, BoardPixelsToWorld)
{
	const b2Vec2 origin = boardMapping.toWorld(100, 200);
	EXPECT_FLOAT_EQ(origin.x, 0.0f);
	EXPECT_FLOAT_EQ(origin.y, 0.0f);

	const b2Vec2 topLeft = boardMapping.toWorld(0, 0);
	EXPECT_FLOAT_EQ(topLeft.x, -10.0f);
	EXPECT_FLOAT_EQ(topLeft.y, 20.0f);

	const b2Vec2 bottomRight = boardMapping.toWorld(640, 480);
	EXPECT_FLOAT_EQ(bottomRight.x, 54.0f);
	EXPECT_FLOAT_EQ(bottomRight.y, -28.0f);
}

TEST(PixelWorldMapping, WorldToPixelTruncatesTowardZero)
{
	EXPECT_EQ(boardMapping.toPixelTruncated(1.0, 1.0), cv::Point(110, 190));
	EXPECT_EQ(boardMapping.toPixelTruncated(-10.0, 20.0), cv::Point(0, 0));
	// -0.5 and 0.5 both truncate to 0; -2.5 to -2: not floor, not rounding.
	EXPECT_EQ(boardMapping.toPixelTruncated(-10.05, 19.95), cv::Point(0, 0));
	EXPECT_EQ(boardMapping.toPixelTruncated(-10.25, 20.25), cv::Point(-2, -2));
}

TEST(PixelWorldMapping, RoundTripKeepsWholePixels)
{
	for (int x = 0; x <= 640; x += 37)
	{
		for (int y = 0; y <= 480; y += 41)
		{
			const b2Vec2 w = boardMapping.toWorld(x, y);
			const cv::Point2d back = boardMapping.toPixel(w.x, w.y);
			EXPECT_NEAR(back.x, x, 1e-4);
			EXPECT_NEAR(back.y, y, 1e-4);
		}
	}
}
