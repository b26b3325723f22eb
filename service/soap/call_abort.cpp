#include "service/soap/call_abort.h"

#include <algorithm>
#include <utility>

namespace luma::service {
namespace {

// The group of the thread's current scope; empty again when the outermost scope ends.
thread_local std::shared_ptr<CCallAbort> currentGroup;

bool Contains(const std::vector<HINTERNET>& handles, HINTERNET handle) {
  return std::find(handles.begin(), handles.end(), handle) != handles.end();
}

}  // namespace

void CCallAbort::Abort() noexcept {
  CMutexObjLock guard(lock);
  aborted = true;
  for (const Attached& entry : attached) {
    // The request first: a thread blocked in a call on it returns with an error.
    if (entry.request != nullptr) InternetCloseHandle(entry.request);
    InternetCloseHandle(entry.session);
    try {
      closedByAbort.push_back(entry.session);
    } catch (...) {
      // Not remembered: the transport then closes a handle that is already closed, which WinINet
      // refuses with ERROR_INVALID_HANDLE.
    }
  }
  attached.clear();
}

bool CCallAbort::IsAborted() const {
  CMutexObjLock guard(lock);
  return aborted;
}

size_t CCallAbort::AttachedCount() const {
  CMutexObjLock guard(lock);
  return attached.size();
}

bool CCallAbort::Attach(HINTERNET session) {
  CMutexObjLock guard(lock);
  if (aborted || session == nullptr) return false;
  attached.push_back(Attached{session, nullptr});
  return true;
}

void CCallAbort::SetRequest(HINTERNET session, HINTERNET request) {
  CMutexObjLock guard(lock);
  for (Attached& entry : attached) {
    if (entry.session == session) entry.request = request;
  }
}

void CCallAbort::Close(HINTERNET session, HINTERNET handle) noexcept {
  if (handle == nullptr) return;
  CMutexObjLock guard(lock);
  if (Contains(closedByAbort, session)) {
    if (handle == session)
      closedByAbort.erase(std::find(closedByAbort.begin(), closedByAbort.end(), session));
    return;
  }
  auto entry = std::find_if(attached.begin(), attached.end(),
                            [session](const Attached& a) { return a.session == session; });
  if (entry != attached.end()) {
    if (entry->request == handle) entry->request = nullptr;
    if (handle == session) attached.erase(entry);
  }
  InternetCloseHandle(handle);
}

CCallAbortScope::CCallAbortScope(std::shared_ptr<CCallAbort> group) : previous(std::move(currentGroup)) {
  currentGroup = std::move(group);
}

CCallAbortScope::~CCallAbortScope() { currentGroup = std::move(previous); }

std::shared_ptr<CCallAbort> CCallAbortScope::Current() { return currentGroup; }

}  // namespace luma::service
