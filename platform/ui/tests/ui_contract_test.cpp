// The backend contract suite against the backends built into the ui library.
#include "ui_contract.h"

namespace kv::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(Backends, UiContract,
                         ::testing::Values(Backend{"scripted", MakeScriptedDriver},
                                           Backend{"console", MakeConsoleDriver}),
                         [](const ::testing::TestParamInfo<Backend>& param) {
                           return param.param.name;
                         });

}  // namespace
}  // namespace kv::testing
