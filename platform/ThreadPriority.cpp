#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

/// Ten steps down: such a thread gets about a tenth of a core the main loop
/// also wants.
constexpr int backgroundNice = 10;

}  // namespace

void lowerThisThreadsPriority()
{
#ifdef SYS_gettid
	// Linux keeps a nice value for each thread, named by its thread id.
	const id_t thread = id_t(::syscall(SYS_gettid));
	::setpriority(PRIO_PROCESS, thread, backgroundNice);
#endif
}
