#pragma once

#include "core/Event.h"

/// Where the lower layers report what happened. They hold a pointer to a sink
/// (null when nobody listens, as in plain unit tests) and never know who is
/// behind it: the application's trace implements it.
class EventSink
{
public:
	virtual ~EventSink() = default;

	/// Add an event to the pass in progress.
	virtual void report(Event event) = 0;

	/// False when nobody listens, so that callers may skip building events.
	virtual bool listening() const = 0;
};

/// Report to `sink` when there is one.
inline void reportTo(EventSink* sink, Event event)
{
	if (sink != nullptr)
	{
		sink->report(std::move(event));
	}
}
