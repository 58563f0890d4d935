#pragma once

#include "analysis/InkLayers.h"

struct DataFiles;

/// The circle templates a run plays with, one contour for each ink.
struct CircleTemplates
{
	Contour black;
	Contour yellow;
};

/// The circle templates `files` names. Each ink's comes from its file; when
/// that cannot serve (it is missing, broken, or holds no points) from the
/// shipped file; and last from the shipped template built into the program,
/// so that play never goes without circles. Each file passed over is said in
/// one line on standard error, naming it, what is wrong and what is used.
CircleTemplates loadCircleTemplates(const DataFiles& files);
