#pragma once

#include "calibration/CameraFit.h"
#include "calibration/CharucoCalibration.h"
#include "calibration/ChessboardTarget.h"

#include <opencv2/core.hpp>

/// What the photographs of a camera calibration show: the board the tool
/// prints (ChArUco: a view may show part of it) or a plain chessboard (all of
/// it or nothing).
class CalibrationTarget
{
public:
	explicit CalibrationTarget(const CharucoLayout& board) : m_board(board) {}
	explicit CalibrationTarget(const ChessboardLayout& chessboard) : m_isChessboard(true), m_chessboard(chessboard) {}

	/// The target's corners in a photograph (BGR or grey). When not all of
	/// them show, the photograph is looked at once more with its paper read
	/// as white, as the program reads a board: a dim or unevenly lit sheet
	/// then shows more. `live` marks a camera's frame, which is turned down
	/// quickly when it holds no chessboard.
	TargetView find(const cv::Mat& photo, bool live = false) const;

	/// The most corners a photograph can show.
	int cornerCount() const { return m_isChessboard ? m_chessboard.cornerCount() : m_board.cornerCount(); }

private:
	TargetView findAsSeen(const cv::Mat& photo, bool live) const;

	bool m_isChessboard = false;
	CharucoLayout m_board;
	ChessboardLayout m_chessboard;
};
