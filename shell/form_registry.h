// The registry of loaded forms, used by Form itself. A form is owned here
// from its load until its window is destroyed; then it waits, still
// allocated, until no window handler of the program is running, because a
// handler may unload its own window and return through its own members.
#pragma once

#include <memory>

#include "shell/form.h"

namespace qm::shell::detail {

void AdoptForm(std::unique_ptr<Form> form);
// The form's window is gone: delete it once no handler runs.
void RetireForm(Form* form);

// Marks a running window handler (or modal loop) for as long as it lives.
class HandlerScope {
 public:
  HandlerScope();
  ~HandlerScope();
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;
};

}  // namespace qm::shell::detail
