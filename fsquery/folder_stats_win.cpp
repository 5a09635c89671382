#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

#include <cmath>
#include <string>

#include "fsquery/folder_stats.h"
#include "fsquery/folder_stats_query.h"
#include "fsquery/tree_walk.h"
#include "fsquery/win_path.h"

namespace fenmarrow {
namespace {

// CoInitialize for the length of one query. Only a successful call (S_OK,
// or S_FALSE when the thread already had COM) is balanced by CoUninitialize.
class ComScope {
 public:
  ComScope() : result_(CoInitialize(nullptr)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

// One counted reference to a COM object; empty stands for "no result".
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  void Reset() {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }
  T* get() const { return pointer_; }
  T** out() {
    Reset();
    return &pointer_;
  }
  explicit operator bool() const { return pointer_ != nullptr; }

 private:
  T* pointer_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

// A BSTR that is freed when it goes.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

// Creates the object from its ProgID and puts it into its running state;
// the IDispatch through which its members are reached, or empty.
bool CreateObject(std::u16string_view prog_id, ComRef<IDispatch>& object) {
  const std::wstring name(prog_id.begin(), prog_id.end());
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(name.c_str(), &clsid))) return false;
  ComRef<IUnknown> unknown;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IUnknown,
                              reinterpret_cast<void**>(unknown.out())))) {
    return false;
  }
  if (FAILED(OleRun(unknown.get()))) return false;
  return SUCCEEDED(
      unknown.get()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object.out())));
}

// Invokes a member by name, late-bound. False when the target is empty, the
// name is unknown or the call fails; `result` then holds nothing.
bool CallMember(IDispatch* target, const wchar_t* member, WORD kind, VARIANT* argument,
                Variant& result) {
  if (target == nullptr) return false;
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(member);
  if (FAILED(target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS parameters = {argument, nullptr, argument != nullptr ? 1u : 0u, 0};
  return SUCCEEDED(target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                                  result.get(), nullptr, nullptr));
}

// The object reference that a member returned.
bool TakeObject(Variant& value, ComRef<IDispatch>& object) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), value.get(), 0, VT_DISPATCH))) return false;
  if (converted.get()->pdispVal == nullptr) return false;
  converted.get()->pdispVal->AddRef();
  *object.out() = converted.get()->pdispVal;
  return true;
}

// The value as a real: VT_R8 as it is; anything else through a copy without
// references, converted.
bool TakeReal(Variant& value, double& real) {
  if (value.get()->vt == VT_R8) {
    real = value.get()->dblVal;
    return true;
  }
  Variant copy;
  if (FAILED(VariantCopyInd(copy.get(), value.get()))) return false;
  if (FAILED(VariantChangeType(copy.get(), copy.get(), 0, VT_R8))) return false;
  real = copy.get()->dblVal;
  return true;
}

// GetFolder(path) on the scripting object.
bool OpenFolder(IDispatch* object, const GbkText& folder, ComRef<IDispatch>& folder_object) {
  const auto wide = WideFromGbk(folder);
  if (!wide) return false;
  Bstr path(*wide);
  if (path.get() == nullptr) return false;
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = path.get();  // still owned by `path`
  Variant result;
  return CallMember(object, L"GetFolder", DISPATCH_METHOD, &argument, result) &&
         TakeObject(result, folder_object);
}

// Count of SubFolders of the folder, by the scripting object.
bool ObjectSubfolderCount(IDispatch* object, const GbkText& folder, std::int32_t& count) {
  ComRef<IDispatch> folder_object;
  if (!OpenFolder(object, folder, folder_object)) return false;
  Variant collection_value;
  ComRef<IDispatch> collection;
  if (!CallMember(folder_object.get(), L"SubFolders", DISPATCH_PROPERTYGET, nullptr,
                  collection_value) ||
      !TakeObject(collection_value, collection)) {
    return false;
  }
  Variant count_value;
  double real = 0;
  if (!CallMember(collection.get(), L"Count", DISPATCH_PROPERTYGET, nullptr, count_value) ||
      !TakeReal(count_value, real)) {
    return false;
  }
  // A value outside the range (or not a number) is not an answer.
  if (!(real >= 0 && real < 2147483648.0)) return false;
  count = static_cast<std::int32_t>(std::trunc(real));
  return true;
}

// Size of the folder, by the scripting object.
bool ObjectFolderSize(IDispatch* object, const GbkText& folder, std::int64_t& size) {
  ComRef<IDispatch> folder_object;
  if (!OpenFolder(object, folder, folder_object)) return false;
  Variant size_value;
  double real = 0;
  if (!CallMember(folder_object.get(), L"Size", DISPATCH_PROPERTYGET, nullptr, size_value) ||
      !TakeReal(size_value, real)) {
    return false;
  }
  if (!(real >= 0 && real < 9223372036854775808.0)) return false;
  size = static_cast<std::int64_t>(std::trunc(real));
  return true;
}

// Asks the object; when it cannot be created or a member fails, walks the
// folder instead. The failure markers remain only for a folder that the walk
// cannot open either: -1 when the object was not there, 0 otherwise.
template <typename T, typename Ask, typename Walk>
StatAnswer<T> Query(const GbkText& folder, std::u16string_view prog_id, Ask ask, Walk walk) {
  bool created = false;
  // The object goes by the classic path rules, which would take "dot." for
  // "dot": such a folder is walked, never asked about.
  const auto wide = WideFromGbk(folder);
  if (wide && HasNameEndingInDotOrSpace(*wide)) {
    if (const auto walked = walk(folder)) return {*walked, StatSource::kNativeWalk};
    return {0, StatSource::kNone};
  }
  {
    const ComScope com;  // outlives every reference of this block
    ComRef<IDispatch> object;
    if (CreateObject(prog_id, object)) {
      created = true;
      T value = 0;
      if (ask(object.get(), folder, value)) return {value, StatSource::kScriptingObject};
    }
  }
  if (const auto walked = walk(folder)) return {*walked, StatSource::kNativeWalk};
  return {static_cast<T>(created ? 0 : -1), StatSource::kNone};
}

}  // namespace

StatAnswer<std::int32_t> QuerySubfolderCount(const GbkText& folder, std::u16string_view prog_id) {
  return Query<std::int32_t>(folder, prog_id, ObjectSubfolderCount, WalkSubfolderCount);
}

StatAnswer<std::int64_t> QueryFolderSize(const GbkText& folder, std::u16string_view prog_id) {
  return Query<std::int64_t>(folder, prog_id, ObjectFolderSize, WalkFolderSize);
}

std::int32_t GetSubfolderCount(const GbkText& folder) {
  return QuerySubfolderCount(folder, kFileSystemObjectProgId).value;
}

std::int64_t GetFolderSize(const GbkText& folder) {
  return QueryFolderSize(folder, kFileSystemObjectProgId).value;
}

}  // namespace fenmarrow
