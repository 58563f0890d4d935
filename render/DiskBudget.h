#pragma once

#include "platform/DiskSpace.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

/// The room a recording has on the disk of its folder: the free space as
/// last measured there, and the floor below which the recording stops by
/// itself, so that it never fills the disk. The writers measure after each
/// file, on their own threads, since asking may wait for the disk; the main
/// loop reads the last measurement and never waits.
class DiskBudget
{
public:
	/// Tells the free space of the disk a folder is on; false when unknown.
	using Query = std::function<bool(const std::string& folder, DiskSpace& space)>;

	DiskBudget(std::string folder, Query query);

	/// Recording stops once less than `bytes` is free on the disk; unset,
	/// defaultKeepFree of that disk.
	void setKeepFree(std::optional<std::uint64_t> bytes) { m_keepFree = bytes; }

	/// Ask the disk how much is free. From any thread.
	void measure();

	/// The disk as last measured; `total` 0 before the first measurement, or
	/// when the disk cannot be asked.
	DiskSpace lastMeasured() const;

	/// The free space below which recording stops, on `disk`.
	std::uint64_t floorOn(const DiskSpace& disk) const;

	/// What `disk` has free above the floor; 0 below it.
	std::uint64_t roomOn(const DiskSpace& disk) const;

	/// True while the free space last measured is at the floor or above (or
	/// unknown). The first time it is below, one line says so; from then on
	/// the budget is spent and this is false.
	bool holds();

	/// True once the free space was found below the floor.
	bool spent() const { return m_spent; }

private:
	const std::string m_folder;
	const Query m_query;
	std::optional<std::uint64_t> m_keepFree;
	/// Guards m_measured, written on the writers' threads.
	mutable std::mutex m_mutex;
	DiskSpace m_measured;
	bool m_spent = false;
};
