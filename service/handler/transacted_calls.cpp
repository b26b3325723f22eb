// The requests that may wait for the user or the remote service: each is answered at once with its
// transaction number and finished by a worker thread of its own, which stores the final answer for
// the client's CheckTransaction. The thread always stores an answer, so no client polls for ever.
#include <objbase.h>
#include <process.h>

#include <memory>
#include <utility>

#include "foundation/win/debug_log.h"
#include "service/core/thread_stacks.h"
#include "service/core/transaction_runner.h"
#include "service/handler/vsc_protocol_handler.h"

using namespace VirtualSmartCardProtocol;

namespace {

template <typename Request>
struct CTransactedCallArgs {
  // The worker's own reference: a worker that outlives the shut-down's wait never runs on a
  // destroyed handler.
  std::shared_ptr<CVSCProtocolHandler> handler;
  DWORD transactionId;
  Request request;                  // a deep copy; its secret buffers wipe themselves
  luma::service::CWorkerSlot slot;  // given back when the worker's arguments go
};

template <typename Request, typename Response>
unsigned __stdcall TransactedCallThread(void* parameter) {
  std::unique_ptr<CTransactedCallArgs<Request>> args(static_cast<CTransactedCallArgs<Request>*>(parameter));
  // The worker may show dialogs and use COM components.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CVSCProtocolHandler& handler = *args->handler;
  const DWORD id = args->transactionId;
  {
    // The shut-down cuts the worker's remote calls short.
    luma::service::CCallAbortScope abortable(handler.RemoteCalls());
    luma::service::RunTransaction<Response>(handler.Transactions(), id, [&](Response& response) {
      handler.handleTransactedCall(args->request, response);
    });
  }
  try {
    handler.RemoveWorkerThread(static_cast<LONG>(id));
  } catch (...) {
    CDebugLog::Log(LOG_ERROR, L"The worker of transaction %u could not leave the worker list", id);
  }
  // The handler may go with this reference.
  args.reset();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

// Starts the worker of one request and answers with its transaction number. A worker that cannot
// start, or one over the cap of concurrent workers, leaves no transaction behind: the request is
// answered at once with the failure, as the plug-ins know it from a worker that failed.
template <typename Response, typename Request>
bool StartTransactedCall(CVSCProtocolHandler& handler, const Request& request, CResponseMessage& response) {
  std::shared_ptr<CVSCProtocolHandler> owner = handler.weak_from_this().lock();
  if (!owner || handler.IsStopping()) {
    // A handler that no shared pointer owns could not outlive its workers; a stopping one starts none.
    CDebugLog::Log(LOG_ERROR, L"No worker started: the handler is stopping or not shared");
    response.SetStatus(luma::service::kWorkerFailedStatus);
    return true;
  }
  luma::service::CWorkerSlot slot = handler.WorkerSlots().TryTake();
  if (!slot) {
    response.SetStatus(luma::service::kWorkerFailedStatus);
    return true;
  }
  const DWORD id = handler.Transactions().AddTransaction(request.GetSessionId());
  auto args = std::make_unique<CTransactedCallArgs<Request>>(
      CTransactedCallArgs<Request>{std::move(owner), id, request, std::move(slot)});
  // Suspended until its handle is in the worker list, so that it cannot try to leave the list first.
  luma::CKernelHandle thread(reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, static_cast<unsigned>(luma::service::kWorkerThreadStackBytes),
                     TransactedCallThread<Request, Response>, args.get(),
                     CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)));
  if (!thread) {
    CDebugLog::Log(LOG_ERROR, L"The worker of transaction %u could not be started", id);
    handler.Transactions().RemoveTransaction(id);
    response.SetStatus(luma::service::kWorkerFailedStatus);
    return true;
  }
  args.release();  // the thread owns it now
  // A handle of our own to resume with, whatever becomes of the listed one.
  HANDLE resume = nullptr;
  DuplicateHandle(GetCurrentProcess(), thread.get(), GetCurrentProcess(), &resume, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  const luma::CKernelHandle resumeHandle(resume);
  const HANDLE raw = thread.get();
  bool listed = false;
  try {
    listed = handler.AddWorkerThread(static_cast<LONG>(id), thread);
  } catch (...) {
  }
  if (!listed) {
    // No room in the list, or the shut-down began meanwhile: the worker runs unlisted on its own
    // reference rather than never (its remote calls fail at once once the handler is stopping).
    CDebugLog::Log(LOG_ERROR, L"The worker of transaction %u runs outside the worker list", id);
  }
  // Still suspended, the worker cannot have left the list and closed its listed handle yet.
  ResumeThread(resumeHandle ? resumeHandle.get() : listed ? raw : thread.get());
  response.SetTransactionId(id);
  response.SetStatus(ERROR_NOT_READY);
  return true;
}

}  // namespace

bool CVSCProtocolHandler::handle(const CSignDataRequest& request, CSignDataResponse& response) {
  return StartTransactedCall<CSignDataResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CDecryptDataRequest& request, CDecryptDataResponse& response) {
  return StartTransactedCall<CDecryptDataResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CAddAccountRequest& request, CAddAccountResponse& response) {
  return StartTransactedCall<CAddAccountResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CRefreshAccountRequest& request, CRefreshAccountResponse& response) {
  return StartTransactedCall<CRefreshAccountResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CGetAccountAuthStateRequest& request,
                                 CGetAccountAuthStateResponse& response) {
  return StartTransactedCall<CGetAccountAuthStateResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CAuthenticateAccountRequest& request,
                                 CAuthenticateAccountResponse& response) {
  return StartTransactedCall<CAuthenticateAccountResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CValidatePINRequest& request, CValidatePINResponse& response) {
  return StartTransactedCall<CValidatePINResponse>(*this, request, response);
}

bool CVSCProtocolHandler::handle(const CChangePINRequest& request, CChangePINResponse& response) {
  return StartTransactedCall<CChangePINResponse>(*this, request, response);
}
