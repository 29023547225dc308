#include "in_memory_task_engine.h"

namespace tavrin::testing {
namespace {

const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
const HRESULT kExists = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

// The methods the service never calls.
#define TAVRIN_NOT_USED(...) \
    HRESULT STDMETHODCALLTYPE __VA_ARGS__ override { return E_NOTIMPL; }

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : L""; }

HRESULT GiveText(const std::wstring& text, BSTR* out) {
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Reference counting, QueryInterface and an IDispatch nobody calls.
template <class Interface>
class Object : public Interface {
public:
    explicit Object(std::shared_ptr<InMemoryTasks> tasks) : tasks_(std::move(tasks)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    TAVRIN_NOT_USED(GetTypeInfoCount(UINT*))
    TAVRIN_NOT_USED(GetTypeInfo(UINT, LCID, ITypeInfo**))
    TAVRIN_NOT_USED(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    TAVRIN_NOT_USED(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))

protected:
    virtual ~Object() = default;
    InMemoryTasks& Tasks() { return *tasks_; }
    const std::shared_ptr<InMemoryTasks>& Shared() { return tasks_; }

private:
    std::shared_ptr<InMemoryTasks> tasks_;
    ULONG references_ = 1;
};

// The name of the task or folder at `path`: what follows its last backslash.
std::wstring NameIn(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

class Task final : public Object<IRegisteredTask> {
public:
    Task(std::shared_ptr<InMemoryTasks> tasks, std::wstring path, std::wstring xml)
        : Object(std::move(tasks)), path_(std::move(path)), xml_(std::move(xml)) {}

    HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
        return Tasks().Fails() ? E_FAIL : GiveText(NameIn(path_), name);
    }
    HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override {
        return Tasks().Fails() ? E_FAIL : GiveText(path_, path);
    }
    HRESULT STDMETHODCALLTYPE get_Xml(BSTR* xml) override {
        return Tasks().Fails() ? E_FAIL : GiveText(xml_, xml);
    }
    TAVRIN_NOT_USED(get_State(TASK_STATE*))
    TAVRIN_NOT_USED(get_Enabled(VARIANT_BOOL*))
    TAVRIN_NOT_USED(put_Enabled(VARIANT_BOOL))
    TAVRIN_NOT_USED(Run(VARIANT, IRunningTask**))
    TAVRIN_NOT_USED(RunEx(VARIANT, LONG, LONG, BSTR, IRunningTask**))
    TAVRIN_NOT_USED(GetInstances(LONG, IRunningTaskCollection**))
    TAVRIN_NOT_USED(get_LastRunTime(DATE*))
    TAVRIN_NOT_USED(get_LastTaskResult(LONG*))
    TAVRIN_NOT_USED(get_NumberOfMissedRuns(LONG*))
    TAVRIN_NOT_USED(get_NextRunTime(DATE*))
    TAVRIN_NOT_USED(get_Definition(ITaskDefinition**))
    TAVRIN_NOT_USED(GetSecurityDescriptor(LONG, BSTR*))
    TAVRIN_NOT_USED(SetSecurityDescriptor(BSTR, LONG))
    TAVRIN_NOT_USED(Stop(LONG))
    TAVRIN_NOT_USED(GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD*, LPSYSTEMTIME*))

private:
    std::wstring path_;
    std::wstring xml_;
};

// The folder's tasks as they were when it was listed.
class TaskList final : public Object<IRegisteredTaskCollection> {
public:
    TaskList(std::shared_ptr<InMemoryTasks> tasks, const std::wstring& folder) : Object(std::move(tasks)) {
        for (const auto& [path, xml] : Tasks().tasks) {
            if (path.rfind(L'\\') == folder.size() && path.starts_with(folder)) listed_.emplace_back(path, xml);
        }
    }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        if (Tasks().Fails()) return E_FAIL;
        *count = static_cast<LONG>(listed_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** task) override {
        if (Tasks().Fails()) return E_FAIL;
        if (index.vt != VT_I4 || index.lVal < 1 ||
            static_cast<std::size_t>(index.lVal) > listed_.size()) {
            return E_INVALIDARG;
        }
        const auto& [name, xml] = listed_[static_cast<std::size_t>(index.lVal - 1)];
        *task = new Task(Shared(), name, xml);
        return S_OK;
    }
    TAVRIN_NOT_USED(get__NewEnum(IUnknown**))

private:
    std::vector<std::pair<std::wstring, std::wstring>> listed_;
};

// The root is "\\"; any other folder is its path.
class Folder final : public Object<ITaskFolder> {
public:
    Folder(std::shared_ptr<InMemoryTasks> tasks, std::wstring path)
        : Object(std::move(tasks)), path_(std::move(path)) {}

    HRESULT STDMETHODCALLTYPE CreateFolder(BSTR name, VARIANT, ITaskFolder** folder) override {
        if (Tasks().Fails()) return E_FAIL;
        const std::wstring folderName = TextOf(name);
        if (folderName.empty() || folderName.find(L'\\') != std::wstring::npos) return E_INVALIDARG;
        const std::wstring path = PathOf(folderName);
        if (!Tasks().folders.insert(path).second) return kExists;
        *folder = new Folder(Shared(), path);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTask(BSTR name, IRegisteredTask** task) override {
        if (Tasks().Fails()) return E_FAIL;
        const auto found = Tasks().tasks.find(PathOf(TextOf(name)));
        if (found == Tasks().tasks.end()) return kNotFound;
        *task = new Task(Shared(), found->first, found->second);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTasks(LONG, IRegisteredTaskCollection** tasks) override {
        if (Tasks().Fails()) return E_FAIL;
        *tasks = new TaskList(Shared(), path_ == L"\\" ? L"" : path_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG) override {
        if (Tasks().Fails()) return E_FAIL;
        return Tasks().tasks.erase(PathOf(TextOf(name))) == 1 ? S_OK : kNotFound;
    }
    HRESULT STDMETHODCALLTYPE RegisterTask(BSTR name, BSTR xml, LONG flags, VARIANT, VARIANT,
                                           TASK_LOGON_TYPE, VARIANT,
                                           IRegisteredTask** task) override {
        if (Tasks().Fails()) return E_FAIL;
        if (Tasks().refuseRegistrations) return E_ACCESSDENIED;
        if (TextOf(name).empty() || TextOf(name).find(L'\\') != std::wstring::npos) return E_INVALIDARG;
        const std::wstring path = PathOf(TextOf(name));
        const bool exists = Tasks().tasks.contains(path);
        if (exists && !(flags & TASK_UPDATE)) return kExists;
        if (!exists && !(flags & TASK_CREATE)) return kNotFound;
        Tasks().tasks[path] = TextOf(xml);
        *task = new Task(Shared(), path, TextOf(xml));
        return S_OK;
    }
    TAVRIN_NOT_USED(get_Name(BSTR*))
    TAVRIN_NOT_USED(get_Path(BSTR*))
    TAVRIN_NOT_USED(GetFolder(BSTR, ITaskFolder**))
    TAVRIN_NOT_USED(GetFolders(LONG, ITaskFolderCollection**))
    TAVRIN_NOT_USED(DeleteFolder(BSTR, LONG))
    TAVRIN_NOT_USED(RegisterTaskDefinition(BSTR, ITaskDefinition*, LONG, VARIANT, VARIANT,
                                           TASK_LOGON_TYPE, VARIANT, IRegisteredTask**))
    TAVRIN_NOT_USED(GetSecurityDescriptor(LONG, BSTR*))
    TAVRIN_NOT_USED(SetSecurityDescriptor(BSTR, LONG))

private:
    std::wstring PathOf(const std::wstring& name) const {
        return (path_ == L"\\" ? L"" : path_) + L"\\" + name;
    }

    std::wstring path_;
};

class Service final : public Object<ITaskService> {
public:
    using Object::Object;

    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override {
        if (Tasks().Fails()) return E_FAIL;
        const std::wstring name = TextOf(path);
        if (name != L"\\" && !Tasks().folders.contains(name)) return kNotFound;
        *folder = new Folder(Shared(), name);
        return S_OK;
    }
    TAVRIN_NOT_USED(GetRunningTasks(LONG, IRunningTaskCollection**))
    TAVRIN_NOT_USED(NewTask(DWORD, ITaskDefinition**))
    TAVRIN_NOT_USED(Connect(VARIANT, VARIANT, VARIANT, VARIANT))
    TAVRIN_NOT_USED(get_Connected(VARIANT_BOOL*))
    TAVRIN_NOT_USED(get_TargetServer(BSTR*))
    TAVRIN_NOT_USED(get_ConnectedUser(BSTR*))
    TAVRIN_NOT_USED(get_ConnectedDomain(BSTR*))
    TAVRIN_NOT_USED(get_HighestVersion(DWORD*))
};

#undef TAVRIN_NOT_USED

}  // namespace

platform::TaskEngine InMemoryTaskEngine(std::shared_ptr<InMemoryTasks> tasks) {
    return [tasks](ITaskService** service) {
        *service = nullptr;
        if (tasks->Fails()) return E_FAIL;
        *service = new Service(tasks);
        return S_OK;
    };
}

}  // namespace tavrin::testing
