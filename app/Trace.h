#pragma once

#include <box2d/b2_math.h>
#include <opencv2/core/types.hpp>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class PhysicsScene;

/// One thing that happened in a pass, with named values. Values are kept as
/// JSON text; `number` reads one back.
struct TraceEvent
{
	explicit TraceEvent(std::string type) : type(std::move(type)) {}

	TraceEvent& set(const std::string& key, double value);
	TraceEvent& set(const std::string& key, bool value);
	TraceEvent& set(const std::string& key, const std::vector<double>& values);
	TraceEvent& set(const std::string& key, const std::vector<cv::Point2f>& points);

	/// The numeric value of a field, or NaN when it is missing or not a number.
	double number(const std::string& key) const;
	bool has(const std::string& key) const;

	std::string type;
	std::vector<std::pair<std::string, std::string>> fields;
};

/// What one pass did: the state after it and its events.
struct PassRecord
{
	int pass = 0;
	int still = 0;
	std::vector<TraceEvent> events;
	/// Registered bodies by kind: solid, wall, debris, portal, sensor.
	int bodies[5] = {0, 0, 0, 0, 0};
	/// World positions of the Solid and Debris bodies, in registry order.
	std::vector<b2Vec2> moving;

	/// Events of one type, in order.
	std::vector<const TraceEvent*> eventsOf(const std::string& type) const;
};

/// The record of a run, one PassRecord per pass, handed to its sinks as the
/// pass ends: a JSON Lines file (--trace) or a test's own function. With no
/// sink it records nothing.
class Trace
{
public:
	using Sink = std::function<void(const PassRecord&)>;

	~Trace();

	/// Write every pass as one JSON line to a file. Returns false if the file
	/// cannot be opened.
	bool openFile(const std::string& path);

	void addSink(Sink sink) { sinks.push_back(std::move(sink)); }

	/// True when someone listens; callers may skip building events otherwise.
	bool enabled() const { return !sinks.empty(); }

	/// Add an event to the pass in progress.
	void add(TraceEvent event);

	/// Close the pass: take the body counts and moving positions from the scene
	/// and hand the record to the sinks.
	void endPass(int pass, int still, const PhysicsScene& scene);

	/// The JSON line of a record, without the line end.
	static std::string toJson(const PassRecord& record);

private:
	std::vector<Sink> sinks;
	std::vector<TraceEvent> pending;
	std::FILE* file = nullptr;
};
