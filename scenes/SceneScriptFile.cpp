#include "scenes/SceneScript.h"

#include "scenes/SceneStatements.h"

#include <fstream>
#include <sstream>

namespace
{

/// The statement a keyword begins, or null.
const SceneStatement* statementOf(const std::string& keyword)
{
	using Family = const std::vector<SceneStatement>& (*)();
	static const Family families[] = {
		viewStatements, lightAndCameraStatements, drawingStatements, projectorStatements, timelineStatements};
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

/// The words of a line, its comment left out.
std::vector<std::string> wordsOf(const std::string& line)
{
	std::vector<std::string> words;
	std::istringstream split(line.substr(0, line.find('#')));
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
