#include "moxwin/shell/app.h"

namespace mox::shell {

App g_app;

}  // namespace mox::shell
