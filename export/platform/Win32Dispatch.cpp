// The Windows automation client: objects reached through IDispatch, COM entered single-threaded.
#include "export/automation/Automation.h"
#include "export/platform/SystemAutomation.h"

// windows.h first, in a block of its own: oleauto.h relies on its types.
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(HRESULT result, const std::string& what) {
    throw AutomationError(static_cast<std::uint32_t>(result), what);
}

std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Holds one VARIANT and clears it on the way out.
struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

class DispatchObject final : public AutomationObject {
public:
    explicit DispatchObject(IDispatch* dispatch) : dispatch_(dispatch) {}  // takes over one count

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t locale) override {
        std::wstring wide = Wide(name);
        LPOLESTR names[1] = {wide.data()};
        DISPID id = 0;
        const HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, names, 1, locale, &id);
        if (FAILED(result)) {
            Fail(result, "no member '" + std::string(wide.begin(), wide.end()) + "'");
        }
        return id;
    }

    AutomationValue Invoke(DispatchId member, InvokeKind kind, std::span<const AutomationValue> arguments,
                           std::uint32_t locale) override {
        // IDispatch takes the arguments last first.
        std::vector<VARIANT> reversed(arguments.size());
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            VARIANT& v = reversed[arguments.size() - 1 - i];
            VariantInit(&v);
            ToVariant(arguments[i], v);
        }
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS parameters{};
        parameters.cArgs = static_cast<UINT>(reversed.size());
        parameters.rgvarg = reversed.empty() ? nullptr : reversed.data();
        WORD flags = DISPATCH_METHOD;
        if (kind == InvokeKind::PropertyGet) {
            flags = DISPATCH_PROPERTYGET;
        } else if (kind == InvokeKind::PropertyPut) {
            flags = DISPATCH_PROPERTYPUT;
            parameters.cNamedArgs = 1;
            parameters.rgdispidNamedArgs = &putId;
        }
        Variant result;
        const HRESULT hr = dispatch_->Invoke(member, IID_NULL, locale, flags, &parameters,
                                             kind == InvokeKind::PropertyGet ? &result.v : nullptr, nullptr, nullptr);
        for (VARIANT& v : reversed) {
            VariantClear(&v);
        }
        if (FAILED(hr)) {
            Fail(hr, "the automation call failed");
        }
        return kind == InvokeKind::PropertyGet ? FromVariant(result.v) : AutomationValue();
    }

private:
    ~DispatchObject() override { dispatch_->Release(); }

    static void ToVariant(const AutomationValue& value, VARIANT& v) {
        switch (value.GetKind()) {
            case AutomationValue::Kind::Empty:
                break;
            case AutomationValue::Kind::Integer:
                v.vt = VT_I4;
                v.lVal = value.Integer();
                break;
            case AutomationValue::Kind::Boolean:
                v.vt = VT_BOOL;
                v.boolVal = value.Boolean() ? VARIANT_TRUE : VARIANT_FALSE;
                break;
            case AutomationValue::Kind::Text: {
                const std::wstring wide = Wide(value.Text());
                v.vt = VT_BSTR;
                v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
                if (!v.bstrVal) {
                    Fail(E_OUTOFMEMORY, "no memory for a text");
                }
                break;
            }
            case AutomationValue::Kind::Object: {
                // Only objects of this backend can go back to the system's servers.
                auto* object = dynamic_cast<DispatchObject*>(value.Object().get());
                if (!object) {
                    Fail(DISP_E_TYPEMISMATCH, "an object of another server");
                }
                object->dispatch_->AddRef();
                v.vt = VT_DISPATCH;
                v.pdispVal = object->dispatch_;
                break;
            }
        }
    }

    static AutomationValue FromVariant(VARIANT& v) {
        switch (v.vt) {
            case VT_EMPTY:
            case VT_NULL:
                return {};
            case VT_BOOL:
                return AutomationValue(v.boolVal != VARIANT_FALSE);
            case VT_BSTR:
                return AutomationValue(std::u16string(v.bstrVal, v.bstrVal + SysStringLen(v.bstrVal)));
            case VT_DISPATCH: {
                IDispatch* dispatch = std::exchange(v.pdispVal, nullptr);
                v.vt = VT_EMPTY;
                return dispatch ? AutomationValue(ObjectRef::Adopt(new DispatchObject(dispatch))) : AutomationValue();
            }
            default:
                break;
        }
        Variant converted;
        if (SUCCEEDED(VariantChangeType(&converted.v, &v, 0, VT_I4))) {
            return AutomationValue(static_cast<std::int32_t>(converted.v.lVal));
        }
        if (SUCCEEDED(VariantChangeType(&converted.v, &v, 0, VT_BSTR))) {
            return AutomationValue(
                std::u16string(converted.v.bstrVal, converted.v.bstrVal + SysStringLen(converted.v.bstrVal)));
        }
        Fail(DISP_E_TYPEMISMATCH, "a result of a kind the program does not use");
    }

    IDispatch* dispatch_;
};

}  // namespace

ObjectRef CreateSystemAutomationObject(std::string_view programId) {
    const std::wstring wide(programId.begin(), programId.end());
    CLSID classId{};
    HRESULT result = CLSIDFromProgID(wide.c_str(), &classId);
    if (FAILED(result)) {
        Fail(result, "no class registered as '" + std::string(programId) + "'");
    }
    IDispatch* dispatch = nullptr;
    result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&dispatch));
    if (FAILED(result)) {
        Fail(result, "'" + std::string(programId) + "' could not be created");
    }
    return ObjectRef::Adopt(new DispatchObject(dispatch));
}

void AddSystemAutomationServer(AutomationRegistry& registry, const std::string& programId) {
    registry.Add(programId, [programId] { return CreateSystemAutomationObject(programId); });
}

AutomationRuntime::AutomationRuntime() {
    entered_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

AutomationRuntime::~AutomationRuntime() {
    if (entered_) {
        CoUninitialize();
    }
}
