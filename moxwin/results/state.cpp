#include "moxwin/results/state.h"

namespace mox::results {

ResultsState g_results;

}  // namespace mox::results
