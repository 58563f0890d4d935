#pragma once

#include "analysis/DescriptorDistance.h"
#include "analysis/InkLayers.h"
#include "analysis/ShapeRecord.h"
#include "core/EventSink.h"

#include <vector>

class PhysicsScene;
class b2Body;

/// A contour is a circle when its distance from the template is below this.
constexpr double circleMatchLimit = 5.0;
/// A circle whose centroid is within this many pixels of a kept circle's is that circle.
constexpr double duplicateRadius = 15.0;
/// Radius in metres of every ball and sensor circle, whatever was drawn.
constexpr float circleRadius = 1.0f;

/// The ink a circle is drawn in, which says what it becomes.
enum class CircleInk
{
	Black,  ///< a ball, reported as "ball"
	Yellow  ///< a sensor circle, reported as "sensor"
};

/// The drawn circles of one ink that became bodies, kept from rescan to
/// rescan: a contour that matches the ink's circle template becomes a body
/// once; drawn again, it is the circle already kept.
class DrawnCircles
{
public:
	explicit DrawnCircles(CircleInk ink);

	/// The template the ink's contours are matched with; an empty template
	/// (ten zeros) matches no drawn circle.
	void setTemplate(const ShapeDescriptor& circleTemplate) { m_template = circleTemplate; }
	/// The template's descriptor.
	const ShapeDescriptor& circleTemplate() const { return m_template; }

	/// Contours that match the template and lie farther than duplicateRadius
	/// from every kept circle become bodies of `scene`, reported to `events`,
	/// and leave the list; the others stay. Returns one flag per contour left:
	/// set for a border of a ring whose body is still inside it (the second
	/// border of a ring made into a body now, or a kept ring whose body has not
	/// left it yet), which must not become a wall that holds the body in.
	std::vector<bool> find(std::vector<Contour>& contours, PhysicsScene& scene, EventSink* events);

	/// A new body at every kept circle, as when it was first found; the
	/// caller takes the old ones away. Returns the number of circles.
	int makeBodiesAgain(PhysicsScene& scene, EventSink* events);

	/// Forget every circle: a new drawing, whose flush takes their bodies.
	void clear() { m_records.clear(); }

	/// One record per circle made into a body, oldest first.
	const std::vector<ShapeRecord>& records() const { return m_records; }

private:
	/// What a contour is to the search.
	enum class Match
	{
		None,         ///< not a circle
		New,          ///< a circle farther than duplicateRadius from every kept one
		Known,        ///< a circle already kept: it stays in the list
		OtherBorder   ///< the second border of a ring made into a body in this search; it stays too
	};

	/// Classify the contour with descriptor d; records from `firstNew` on were
	/// made by the search in progress. `kept` gets the record of a circle
	/// already kept.
	Match match(const ShapeDescriptor& d, size_t firstNew, const ShapeRecord*& kept) const;
	/// The record's body still overlaps the disc its ring encloses.
	bool bodyInsideItsRing(const ShapeRecord& record, const PhysicsScene& scene) const;
	/// A body of this ink at the circle of descriptor d, reported; null when
	/// the scene refuses it.
	b2Body* makeBody(const ShapeDescriptor& d, PhysicsScene& scene, EventSink* events) const;

	CircleInk m_ink;
	const DescriptorExponents* m_templateExponents;
	ShapeDescriptor m_template;
	std::vector<ShapeRecord> m_records;
};
