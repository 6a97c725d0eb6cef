// The library's application object: created when the library loads, destroyed when it
// unloads. At unload it deletes the compiled menu files that the menu-file check found
// beside replaced menu archives (AutoCAD rebuilds them from the new archives).
#include "menu_files.h"

namespace kv::datamanager {
namespace {

class CKVDataManagerApp {
 public:
  // The stale list is made first so that it is destroyed after this object.
  CKVDataManagerApp() { StaleCompiledMenus(); }
  ~CKVDataManagerApp() { DeleteStaleCompiledMenus(); }
  CKVDataManagerApp(const CKVDataManagerApp&) = delete;
  CKVDataManagerApp& operator=(const CKVDataManagerApp&) = delete;
};

CKVDataManagerApp theApp;

}  // namespace
}  // namespace kv::datamanager
