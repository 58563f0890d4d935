#include "render/DiskBudget.h"

#include <cstdio>
#include <utility>

DiskBudget::DiskBudget(std::string folder, Query query) : m_folder(std::move(folder)), m_query(std::move(query))
{
}

void DiskBudget::measure()
{
	DiskSpace space;
	if (m_query(m_folder, space))
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_measured = space;
	}
}

DiskSpace DiskBudget::lastMeasured() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_measured;
}

std::uint64_t DiskBudget::floorOn(const DiskSpace& disk) const
{
	return m_keepFree ? *m_keepFree : defaultKeepFree(disk.total);
}

std::uint64_t DiskBudget::roomOn(const DiskSpace& disk) const
{
	const std::uint64_t floor = floorOn(disk);
	return disk.free > floor ? disk.free - floor : 0;
}

bool DiskBudget::holds()
{
	const DiskSpace disk = lastMeasured();
	if (m_spent || disk.total == 0)
	{
		return !m_spent;
	}
	const std::uint64_t floor = floorOn(disk);
	if (disk.free >= floor)
	{
		return true;
	}
	m_spent = true;
	std::fprintf(stderr, "%s: %s free, less than the %s kept free (--keep-free); recording stops, what it recorded is kept\n",
		m_folder.c_str(), formatByteSize(disk.free).c_str(), formatByteSize(floor).c_str());
	return false;
}
