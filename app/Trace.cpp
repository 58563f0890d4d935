#include "app/Trace.h"

#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace
{

std::string jsonPoint(double x, double y)
{
	return "[" + jsonNumber(x) + ", " + jsonNumber(y) + "]";
}

/// One write for the whole line, so that it is in the file whole or not at
/// all when the program is killed; a full disk may still cut it short.
bool writeLine(int file, const std::string& line)
{
	std::size_t done = 0;
	while (done < line.size())
	{
		const ssize_t written = ::write(file, line.data() + done, line.size() - done);
		if (written < 0 && errno == EINTR)
		{
			continue;
		}
		if (written <= 0)
		{
			return false;
		}
		done += std::size_t(written);
	}
	return true;
}

/// Names of the body kinds in the trace, indexed by BodyKind - 1.
constexpr const char* kindNames[5] = {"solid", "wall", "debris", "portal", "sensor"};

}  // namespace

std::vector<const Event*> PassRecord::eventsOf(const std::string& type) const
{
	std::vector<const Event*> found;
	for (const Event& event : events)
	{
		if (event.type == type)
		{
			found.push_back(&event);
		}
	}
	return found;
}

Trace::~Trace()
{
	close();
}

bool Trace::openFile(const std::string& path)
{
	const int opened = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
	if (opened < 0)
	{
		return false;
	}
	file = opened;
	// A disk that fills up or goes away mid-run must not stop the game: the
	// failure is said once and the passes after it go unrecorded.
	addSink([this, path, failed = false](const PassRecord& record) mutable {
		if (failed || file < 0)
		{
			return;
		}
		const std::string line = toJson(record) + "\n";
		if (!writeLine(file, line))
		{
			failed = true;
			std::fprintf(stderr, "cannot write trace file \"%s\" from pass %d on\n", path.c_str(), record.pass);
		}
	});
	return true;
}

void Trace::close()
{
	if (file >= 0)
	{
		::close(file);
		file = -1;
	}
}

void Trace::report(Event event)
{
	if (listening())
	{
		pending.push_back(std::move(event));
	}
}

void Trace::endPass(int pass, int still, const PhysicsScene& scene)
{
	if (!listening())
	{
		return;
	}
	PassRecord record;
	record.pass = pass;
	record.still = still;
	record.events.swap(pending);
	record.status = m_status;
	record.statusChanged = m_status != m_lastStatus;
	m_lastStatus = m_status;
	for (const BodyInfo* info : scene.collectBodyInfo())
	{
		record.bodies[info->kind - 1] += 1;
		if (info->kind == Solid || info->kind == Debris)
		{
			record.moving.push_back(info->body->GetPosition());
		}
	}
	for (const Sink& sink : sinks)
	{
		sink(record);
	}
}

std::string Trace::toJson(const PassRecord& record)
{
	std::string line = "{\"pass\": " + std::to_string(record.pass) + ", \"still\": " + std::to_string(record.still);
	line += ", \"events\": [";
	for (size_t i = 0; i < record.events.size(); ++i)
	{
		const Event& event = record.events[i];
		line += (i ? ", " : "") + std::string("{\"type\": \"") + event.type + "\"";
		for (const auto& [key, value] : event.fields)
		{
			line += ", \"" + key + "\": " + value;
		}
		line += "}";
	}
	line += "], \"bodies\": {";
	for (int kind = 0; kind < 5; ++kind)
	{
		line += (kind ? ", \"" : "\"") + std::string(kindNames[kind]) + "\": " + std::to_string(record.bodies[kind]);
	}
	line += "}, \"moving\": [";
	for (size_t i = 0; i < record.moving.size(); ++i)
	{
		line += (i ? ", " : "") + jsonPoint(record.moving[i].x, record.moving[i].y);
	}
	line += "]";
	if (record.statusChanged)
	{
		// Written when it changes: a status that lasts would fill every line.
		line += ", \"status\": " + jsonString(record.status);
	}
	return line + "}";
}
