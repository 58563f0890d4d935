#include "app/Trace.h"

#include "physics/PhysicsScene.h"

#include <box2d/b2_body.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace
{

/// JSON has no NaN or infinity; they are written as null.
std::string jsonNumber(double value)
{
	if (!std::isfinite(value))
	{
		return "null";
	}
	char text[32];
	std::snprintf(text, sizeof text, "%.9g", value);
	return text;
}

std::string jsonPoint(double x, double y)
{
	return "[" + jsonNumber(x) + ", " + jsonNumber(y) + "]";
}

/// Names of the body kinds in the trace, indexed by BodyKind - 1.
constexpr const char* kindNames[5] = {"solid", "wall", "debris", "portal", "sensor"};

}  // namespace

TraceEvent& TraceEvent::set(const std::string& key, double value)
{
	fields.emplace_back(key, jsonNumber(value));
	return *this;
}

TraceEvent& TraceEvent::set(const std::string& key, bool value)
{
	fields.emplace_back(key, value ? "true" : "false");
	return *this;
}

TraceEvent& TraceEvent::set(const std::string& key, const std::vector<double>& values)
{
	std::string text = "[";
	for (size_t i = 0; i < values.size(); ++i)
	{
		text += (i ? ", " : "") + jsonNumber(values[i]);
	}
	fields.emplace_back(key, text + "]");
	return *this;
}

TraceEvent& TraceEvent::set(const std::string& key, const std::vector<cv::Point2f>& points)
{
	std::string text = "[";
	for (size_t i = 0; i < points.size(); ++i)
	{
		text += (i ? ", " : "") + jsonPoint(points[i].x, points[i].y);
	}
	fields.emplace_back(key, text + "]");
	return *this;
}

double TraceEvent::number(const std::string& key) const
{
	for (const auto& [name, value] : fields)
	{
		if (name == key)
		{
			char* end = nullptr;
			const double parsed = std::strtod(value.c_str(), &end);
			if (end != value.c_str() && *end == '\0')
			{
				return parsed;
			}
		}
	}
	return std::numeric_limits<double>::quiet_NaN();
}

bool TraceEvent::has(const std::string& key) const
{
	for (const auto& field : fields)
	{
		if (field.first == key)
		{
			return true;
		}
	}
	return false;
}

std::vector<const TraceEvent*> PassRecord::eventsOf(const std::string& type) const
{
	std::vector<const TraceEvent*> found;
	for (const TraceEvent& event : events)
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
	if (file != nullptr)
	{
		std::fclose(file);
	}
}

bool Trace::openFile(const std::string& path)
{
	std::FILE* opened = std::fopen(path.c_str(), "w");
	if (opened == nullptr)
	{
		return false;
	}
	file = opened;
	// A disk that fills up or goes away mid-run must not stop the game: the
	// failure is said once and the passes after it go unrecorded.
	addSink([this, path, failed = false](const PassRecord& record) mutable {
		if (failed)
		{
			return;
		}
		const std::string line = toJson(record) + "\n";
		if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fflush(file) != 0)
		{
			failed = true;
			std::fprintf(stderr, "cannot write trace file \"%s\" from pass %d on\n", path.c_str(), record.pass);
		}
	});
	return true;
}

void Trace::add(TraceEvent event)
{
	if (enabled())
	{
		pending.push_back(std::move(event));
	}
}

void Trace::endPass(int pass, int still, const PhysicsScene& scene)
{
	if (!enabled())
	{
		return;
	}
	PassRecord record;
	record.pass = pass;
	record.still = still;
	record.events.swap(pending);
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
		const TraceEvent& event = record.events[i];
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
	return line + "]}";
}
