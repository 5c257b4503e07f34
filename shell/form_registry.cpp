#include "shell/form_registry.h"

#include <algorithm>
#include <vector>

namespace qm::shell {
namespace {

struct Registry {
  std::vector<std::unique_ptr<Form>> loaded;
  std::vector<std::unique_ptr<Form>> retired;
  int handler_depth = 0;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

namespace detail {

void AdoptForm(std::unique_ptr<Form> form) {
  TheRegistry().loaded.push_back(std::move(form));
}

void RetireForm(Form* form) {
  auto& r = TheRegistry();
  auto it = std::find_if(r.loaded.begin(), r.loaded.end(),
                         [form](const std::unique_ptr<Form>& f) { return f.get() == form; });
  if (it == r.loaded.end()) return;
  r.retired.push_back(std::move(*it));
  r.loaded.erase(it);
}

HandlerScope::HandlerScope() {
  ++TheRegistry().handler_depth;
}

HandlerScope::~HandlerScope() {
  auto& r = TheRegistry();
  if (--r.handler_depth == 0) {
    // Deleting a form may destroy child windows whose handlers run; take
    // the list first so that they find it empty.
    auto retired = std::move(r.retired);
    r.retired.clear();
    ++r.handler_depth;
    retired.clear();
    --r.handler_depth;
  }
}

}  // namespace detail

Form* LoadedForm(FormKind kind) {
  for (const auto& f : TheRegistry().loaded) {
    if (f->Kind() == kind) return f.get();
  }
  return nullptr;
}

int LoadedFormCount() {
  return static_cast<int>(TheRegistry().loaded.size());
}

Form* FormFromHandle(HWND hwnd) {
  for (const auto& f : TheRegistry().loaded) {
    if (f->Handle() == hwnd) return f.get();
  }
  return nullptr;
}

}  // namespace qm::shell
