#pragma once

#include "analysis/DescriptorDistance.h"
#include "analysis/InkLayers.h"
#include "analysis/RefusedRing.h"
#include "analysis/RingJudgement.h"
#include "analysis/ShapeRecord.h"
#include "core/EventSink.h"

#include <vector>

class PhysicsScene;
class b2Body;

/// A circle whose centroid is within this many pixels of a kept circle's is that circle.
constexpr double duplicateRadius = 15.0;
/// Radius in metres of every ball and sensor circle, whatever was drawn,
/// unless rings of any size are taken (then each follows its ring).
constexpr float circleRadius = 1.0f;

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

	/// Which rings are circles, and the paper's millimetres per board pixel.
	/// With rings of any size, each body's radius is its ring's mean radius
	/// in world units; otherwise every body's is circleRadius.
	void setSizes(const CircleSizes& sizes) { m_sizes = sizes; }

	/// Contours that match the template and lie farther than duplicateRadius
	/// from every kept circle become bodies of `scene`, reported to `events`,
	/// and leave the list; the others stay. Returns one flag per contour left:
	/// set for a border of a ring whose body is still inside it (the second
	/// border of a ring made into a body now, or a kept ring whose body has not
	/// left it yet), or any piece of such a ring's line however rough its edge
	/// made it, which must not become a wall that holds the body in.
	/// Rings that stay only for their size or their unevenness are noted in
	/// refused(); the first time one is found it is reported too.
	std::vector<bool> find(std::vector<Contour>& contours, PhysicsScene& scene, EventSink* events);

	/// The rings of the last search that are nearly circles but none, one per
	/// ring (not per border), in contour order.
	const std::vector<RefusedRing>& refused() const { return m_refused; }

	/// A new body at every kept circle, as when it was first found; the
	/// caller takes the old ones away. Returns the number of circles.
	int makeBodiesAgain(PhysicsScene& scene, EventSink* events);

	/// Forget every circle, and the rings told of: a new drawing, whose
	/// flush takes their bodies.
	void clear();

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
	/// The ring of descriptor d, no circle, into refused() when it nearly is
	/// one and is not a border of a circle kept or of a ring refused already.
	void noteRefused(const ShapeDescriptor& d);
	/// Report the rings refused for the first time, and remember them.
	void tellRefused(EventSink* events);

	CircleTemplate templateToMatch() const { return CircleTemplate{m_template, *m_templateExponents}; }

	CircleInk m_ink;
	const DescriptorExponents* m_templateExponents;
	ShapeDescriptor m_template;
	CircleSizes m_sizes;
	std::vector<ShapeRecord> m_records;
	std::vector<RefusedRing> m_refused;
	/// Centres of the rings refused and told since the drawing began.
	std::vector<cv::Point2d> m_told;
};
