#pragma once

#include "core/EventSink.h"

#include <box2d/b2_math.h>

#include <functional>
#include <string>
#include <vector>

class PhysicsScene;

/// What one pass did: the state after it and its events.
struct PassRecord
{
	int pass = 0;
	int still = 0;
	std::vector<Event> events;
	/// Registered bodies by kind: solid, wall, debris, portal, sensor.
	int bodies[5] = {0, 0, 0, 0, 0};
	/// World positions of the Solid and Debris bodies, in registry order.
	std::vector<b2Vec2> moving;
	/// Why the table does not react, as the play view's status line says it
	/// as the pass ends; empty while it reacts.
	std::string status;
	/// The status line is not the last pass's: the trace file writes it then.
	bool statusChanged = false;

	/// Events of one type, in order.
	std::vector<const Event*> eventsOf(const std::string& type) const;
};

/// The record of a run, one PassRecord per pass, handed to its sinks as the
/// pass ends: a JSON Lines file (--trace) or a test's own function. With no
/// sink it records nothing.
class Trace : public EventSink
{
public:
	using Sink = std::function<void(const PassRecord&)>;

	~Trace();

	/// Write every pass as one JSON line to a file. Returns false if the file
	/// cannot be opened. Each line reaches the file in one write, so a reader
	/// of a run that was killed loses at most its last line.
	bool openFile(const std::string& path);

	/// Close the file; later passes are not written to it.
	void close();

	void addSink(Sink sink) { sinks.push_back(std::move(sink)); }

	/// True when someone listens; callers may skip building events otherwise.
	bool listening() const override { return !sinks.empty(); }

	/// Add an event to the pass in progress.
	void report(Event event) override;

	/// The status line as this pass ends (see StatusLine): the pass's
	/// record carries it.
	void noteStatus(const std::string& line) { m_status = line; }

	/// Close the pass: take the body counts and moving positions from the scene
	/// and hand the record to the sinks.
	void endPass(int pass, int still, const PhysicsScene& scene);

	/// The JSON line of a record, without the line end.
	static std::string toJson(const PassRecord& record);

private:
	std::vector<Sink> sinks;
	std::vector<Event> pending;
	/// The trace file's descriptor, or -1.
	int file = -1;
	/// The status line of this pass, and the one the last record carried.
	std::string m_status;
	std::string m_lastStatus;
};
