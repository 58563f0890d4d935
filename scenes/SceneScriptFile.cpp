#include "scenes/SceneScript.h"

#include "scenes/SceneStatements.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace
{

/// The statement a keyword begins, or null.
const SceneStatement* statementOf(const std::string& keyword)
{
	using Family = const std::vector<SceneStatement>& (*)();
	static const Family families[] = {viewStatements, lightAndCameraStatements, localLightStatements, handStatements,
		drawingStatements, projectorStatements, timelineStatements};
	for (const Family family : families)
	{
		for (const SceneStatement& statement : family())
		{
			if (keyword == statement.keyword)
			{
				return &statement;
			}
		}
	}
	return nullptr;
}

/// A word at `at` that begins with '#' and a hexadecimal digit is a colour
/// (#RRGGBB, or a mistaken one, which its statement refuses), not a comment.
bool colourAt(const std::string& line, size_t at)
{
	return (at == 0 || std::isspace((unsigned char)line[at - 1])) && at + 1 < line.size()
		&& std::isxdigit((unsigned char)line[at + 1]);
}

/// The words of a line, its comment left out: from the first '#' that does
/// not begin a colour.
std::vector<std::string> wordsOf(const std::string& line)
{
	size_t comment = line.find('#');
	while (comment != std::string::npos && colourAt(line, comment))
	{
		comment = line.find('#', comment + 1);
	}
	std::vector<std::string> words;
	std::istringstream split(line.substr(0, comment));
	for (std::string word; split >> word;)
	{
		words.push_back(word);
	}
	return words;
}

/// Hands the line to its statement.
bool readStatement(StatementReader& in, SceneBeingRead& scene)
{
	const SceneStatement* statement = statementOf(in.keyword());
	if (statement == nullptr)
	{
		return in.fail("unknown statement \"" + in.keyword() + "\"");
	}
	if (!statement->inTimeline && scene.timelineBegun())
	{
		return in.fail("\"" + in.keyword() + "\" comes before the timeline: only \"at\" lines follow the first one");
	}
	return statement->read(in, scene);
}

}  // namespace

bool parseSceneScript(const std::string& text, const std::string& name, SceneScript& script, std::string& error)
{
	SceneBeingRead scene;
	scene.script.views.assign(1, CameraView());
	std::istringstream lines(text);
	int lineNumber = 0;
	for (std::string line; std::getline(lines, line);)
	{
		++lineNumber;
		std::vector<std::string> words = wordsOf(line);
		if (words.empty())
		{
			continue;
		}
		StatementReader in(std::move(words), name, lineNumber);
		if (!readStatement(in, scene))
		{
			error = in.error();
			return false;
		}
	}
	if (scene.script.maps.empty())
	{
		error = name + ":" + std::to_string(lineNumber) + ": no map: a scene needs at least one drawing";
		return false;
	}
	script = std::move(scene.script);
	return true;
}

bool readSceneScript(const std::string& path, SceneScript& script, std::string& error)
{
	std::ifstream file(path, std::ios::binary);
	if (!file)
	{
		error = path + ": cannot read the scene file";
		return false;
	}
	std::ostringstream text;
	text << file.rdbuf();
	return parseSceneScript(text.str(), path, script, error);
}
