// The backend contract suite against the desktop backend, on the virtual display.
#include "gui_testing.h"

namespace kv::gui::testing {
namespace {

using kv::testing::Backend;
using kv::testing::UiContract;

INSTANTIATE_TEST_SUITE_P(Backends, UiContract,
                         ::testing::Values(Backend{"gui", MakeGuiDriver, GuiAvailable}),
                         [](const ::testing::TestParamInfo<Backend>& param) {
                           return param.param.name;
                         });

}  // namespace
}  // namespace kv::gui::testing
