#pragma once

/// Let the calling thread run only when the program's other threads leave a
/// core free (a nice of 10 for this thread alone, where the system allows):
/// for work in the background, such as encoding the recorded pictures, that
/// must not take a core from the main loop. Does nothing where threads
/// cannot be given their own priority.
void lowerThisThreadsPriority();
