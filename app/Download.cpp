// Downloads with a deadline of our own, pumping messages while the worker runs.
#include "app/Download.h"
#include "app/Log.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <process.h>
#include <urlmon.h>

namespace {

// Shared by the caller and the worker; whichever lets go last frees it.
struct DownloadJob {
    std::string url;
    std::string path;
    HRESULT result = E_FAIL;
    DWORD httpStatus = 0;     // 0 when the server gave none (not HTTP, or no answer)
    LONG references = 2;
};

// Learns the HTTP status of the answer, which URLDownloadToFileA itself ignores.
class StatusCallback : public IBindStatusCallback, public IHttpNegotiate {
public:
    explicit StatusCallback(DWORD& status) : status_(status) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback))
            *out = static_cast<IBindStatusCallback*>(this);
        else if (IsEqualIID(iid, IID_IHttpNegotiate))
            *out = static_cast<IHttpNegotiate*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    // Lives on the worker's stack for the whole call.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    STDMETHODIMP GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

    STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extra) override
    {
        if (extra)
            *extra = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* extra) override
    {
        status_ = code;
        if (extra)
            *extra = nullptr;
        return S_OK;
    }

private:
    DWORD& status_;
};

void Release(DownloadJob* job)
{
    if (InterlockedDecrement(&job->references) == 0)
        delete job;
}

unsigned __stdcall DownloadWorker(void* argument)
{
    DownloadJob* job = static_cast<DownloadJob*>(argument);
    const HRESULT com = CoInitialize(nullptr);
    {
        StatusCallback callback(job->httpStatus);
        job->result = URLDownloadToFileA(nullptr, job->url.c_str(), job->path.c_str(), 0, &callback);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    Release(job);
    return 0;
}

// Dispatches the calling thread's messages until `thread` ends or `deadline` passes.
bool WaitPumping(HANDLE thread, DWORD deadlineMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= deadlineMs)
            return false;
        const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, deadlineMs - elapsed, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            return true;
        if (wait != WAIT_OBJECT_0 + 1)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));    // leave it for the owner's loop
                return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

DWORD FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeHigh ? 0xFFFFFFFF : data.nFileSizeLow;
}

} // namespace

bool DownloadToFile(const std::string& url, const std::string& path, DWORD deadlineMs)
{
    DownloadJob* job = new DownloadJob;
    job->url = url;
    job->path = path;
    unsigned threadId = 0;
    win::UniqueHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, DownloadWorker, job, 0, &threadId)));
    if (!thread) {
        WriteLog("Download of %s: no worker thread", url.c_str());
        delete job;
        return false;
    }
    const bool finished = WaitPumping(thread.Get(), deadlineMs);
    if (!finished) {
        WriteLog("Download of %s: no answer within %u ms", url.c_str(), static_cast<unsigned>(deadlineMs));
        Release(job);
        return false;
    }
    const HRESULT result = job->result;
    const DWORD status = job->httpStatus;
    Release(job);
    if (FAILED(result)) {
        WriteLog("Download of %s failed: 0x%08lX", url.c_str(), static_cast<unsigned long>(result));
        DeleteFileA(path.c_str());
        return false;
    }
    if (status >= 400) {
        WriteLog("Download of %s failed: HTTP status %u", url.c_str(), static_cast<unsigned>(status));
        DeleteFileA(path.c_str());
        return false;
    }
    if (FileSize(path) == 0) {
        WriteLog("Download of %s left no data", url.c_str());
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}
