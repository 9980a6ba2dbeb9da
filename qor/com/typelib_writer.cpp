// Build step: rewrites the type library that the IDL compiler made, type by
// type, through the system's type library writer, adding what the IDL
// compiler cannot express: the help strings of the enumeration members. It
// also mends what widl 7 gets wrong in that library: it damages the last
// byte of the library's own GUID (taken here from the generated header
// instead), and it imports IDispatch a second time without its GUID, so that
// the duals' base resolves to some other type of stdole2. The result is then
// read back from its bytes and checked; a wrong library fails the build.
// Run under Wine as
//   typelib_writer.exe SOURCE.tlb TARGET.tlb

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "qor/com/typelib_file.h"
#include "qor/com/typelib_rules.h"
#include "qor/com/vtable_view.h"
#include "qor/qor.h"
#include "win/com.h"
#include "win/text.h"

namespace {

constexpr GUID kStdOle = {0x00020430, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct MemberHelp {
    const wchar_t* member;
    const char* help;
};

constexpr MemberHelp kMemberHelp[] = {
    {L"qorjsReady", "Download job status ready"},
    {L"qorjsBegin", "Download job status begin"},
    {L"qorjsWaiting", "Download job status waiting"},
    {L"qorjsDownloading", "Download job status downloading"},
    {L"qorjsCompleted", "Download job status completed"},
    {L"qorjsCanceled", "Download job status canceled"},
    {L"qorjsPaused", "Download job status paused"},
    {L"qorjsWaitingForRetry", "Download job status waiting for retry"},
    {L"qorjsFailed", "Download job status Failed"},
    {L"qorpstNone", "Proxy server type none"},
    {L"qorpstIE", "Proxy server type useie"},
    {L"qorpstFtp", "Proxy server type ftp"},
    {L"qorpstHttp", "Proxy server type httpget"},
    {L"qorpstSocks4", "Proxy server type socks4"},
    {L"qorpstSocks4a", "Proxy server type socks4a"},
    {L"qorpstSocks5", "Proxy server type socks5"},
};

const char* MemberHelpOf(const wchar_t* name) {
    for (const MemberHelp& m : kMemberHelp)
        if (name && wcscmp(name, m.member) == 0) return m.help;
    return nullptr;
}

int Fail(const char* what, HRESULT hr) {
    fprintf(stderr, "typelib_writer: %s failed (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

// Owns a TYPEATTR of a type info.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) {
        if (FAILED(info->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    ~TypeAttr() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class LibraryCopier {
public:
    LibraryCopier(ITypeLib* source, ICreateTypeLib2* target) : source_(source), target_(target) {}

    HRESULT Copy() {
        HRESULT hr = CopyLibraryAttributes();
        if (FAILED(hr)) return hr;
        const UINT count = source_->GetTypeInfoCount();
        // Every type first, so that references between them can be resolved.
        for (UINT i = 0; i < count; ++i) {
            hr = CreateType(i);
            if (FAILED(hr)) return hr;
        }
        for (UINT i = 0; i < count; ++i) {
            hr = FillType(i);
            if (FAILED(hr)) return hr;
        }
        for (auto& writer : writers_) {
            hr = writer->LayOut();
            if (FAILED(hr)) return hr;
        }
        return target_->SaveAllChanges();
    }

private:
    HRESULT CopyLibraryAttributes() {
        TLIBATTR* attr = nullptr;
        HRESULT hr = source_->GetLibAttr(&attr);
        if (FAILED(hr)) return hr;
        const TLIBATTR copy = *attr;
        source_->ReleaseTLibAttr(attr);
        win::Bstr name;
        win::Bstr help;
        hr = source_->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = target_->SetName(name.Get()))) return hr;
        if (FAILED(hr = target_->SetGuid(LIBID_QOR))) return hr;
        if (FAILED(hr = target_->SetLcid(copy.lcid))) return hr;
        if (FAILED(hr = target_->SetVersion(copy.wMajorVerNum, copy.wMinorVerNum))) return hr;
        if (help.Get() && FAILED(hr = target_->SetDocString(help.Get()))) return hr;
        return target_->SetLibFlags(copy.wLibFlags);
    }

    // The view that carries the methods: a dual interface is read through
    // its vtable interface.
    HRESULT SourceView(UINT index, win::ComPtr<ITypeInfo>& view) {
        HRESULT hr = source_->GetTypeInfo(index, view.ReleaseAndGetAddressOf());
        return SUCCEEDED(hr) ? qor::ToVtableView(view) : hr;
    }

    HRESULT CreateType(UINT index) {
        win::ComPtr<ITypeInfo> view;
        HRESULT hr = SourceView(index, view);
        if (FAILED(hr)) return hr;
        TypeAttr attr(view.Get());
        win::Bstr name;
        hr = source_->GetDocumentation(static_cast<INT>(index), name.Put(), nullptr, nullptr,
                                       nullptr);
        if (FAILED(hr) || !attr) return FAILED(hr) ? hr : E_FAIL;
        win::ComPtr<ICreateTypeInfo> writer;
        hr = target_->CreateTypeInfo(name.Get(), attr->typekind, writer.GetAddressOf());
        if (FAILED(hr)) return hr;
        writers_.push_back(writer);
        return S_OK;
    }

    // The target type that stands for a type of the source library, or null.
    ITypeInfo* TargetOf(ITypeInfo* sourceInfo) {
        win::ComPtr<ITypeLib> library;
        UINT index = 0;
        if (FAILED(sourceInfo->GetContainingTypeLib(library.GetAddressOf(), &index)) ||
            library.Get() != source_ || index >= writers_.size())
            return nullptr;
        win::ComPtr<ITypeInfo> info;
        if (FAILED(writers_[index].As(&info))) return nullptr;
        return info.Get();  // the writer keeps it alive
    }

    // stdole2's IDispatch, loaded by its GUID.
    HRESULT Dispatch(win::ComPtr<ITypeInfo>& info) {
        if (!dispatch_) {
            win::ComPtr<ITypeLib> stdole;
            HRESULT hr = ::LoadRegTypeLib(kStdOle, 2, 0, 0, stdole.GetAddressOf());
            if (SUCCEEDED(hr))
                hr = stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch_.GetAddressOf());
            if (FAILED(hr)) return hr;
        }
        info = dispatch_;
        return S_OK;
    }

    // A reference to another library's type is kept only when it names an
    // interface by its GUID; anything else is a damaged import. `replacement`
    // (when not null) stands in for such a damaged reference.
    HRESULT MapReference(ITypeInfo* from, HREFTYPE sourceRef, ICreateTypeInfo* writer,
                         HREFTYPE& targetRef, ITypeInfo* replacement = nullptr) {
        win::ComPtr<ITypeInfo> referenced;
        HRESULT hr = from->GetRefTypeInfo(sourceRef, referenced.GetAddressOf());
        if (FAILED(hr)) return hr;
        if (ITypeInfo* own = TargetOf(referenced.Get()))
            return writer->AddRefTypeInfo(own, &targetRef);
        TypeAttr attr(referenced.Get());
        if (!attr) return E_FAIL;
        const bool sound = attr->guid != GUID_NULL &&
                           (attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH);
        if (!sound && !replacement) {
            fprintf(stderr, "typelib_writer: a damaged imported reference has no replacement\n");
            return TYPE_E_CANTLOADLIBRARY;
        }
        return writer->AddRefTypeInfo(sound ? referenced.Get() : replacement, &targetRef);
    }

    HRESULT MapTypeDesc(ITypeInfo* from, const TYPEDESC& source, ICreateTypeInfo* writer,
                        TYPEDESC& target) {
        target = source;
        if (source.vt == VT_PTR || source.vt == VT_SAFEARRAY) {
            descs_.emplace_back();
            TYPEDESC& inner = descs_.back();
            HRESULT hr = MapTypeDesc(from, *source.lptdesc, writer, inner);
            if (FAILED(hr)) return hr;
            target.lptdesc = &inner;
        } else if (source.vt == VT_USERDEFINED) {
            return MapReference(from, source.hreftype, writer, target.hreftype);
        }
        return S_OK;
    }

    HRESULT FillType(UINT index) {
        win::ComPtr<ITypeInfo> view;
        HRESULT hr = SourceView(index, view);
        if (FAILED(hr)) return hr;
        ICreateTypeInfo* writer = writers_[index].Get();
        TypeAttr attr(view.Get());
        if (!attr) return E_FAIL;
        win::Bstr help;
        hr = view->GetDocumentation(MEMBERID_NIL, nullptr, help.Put(), nullptr, nullptr);
        if (FAILED(hr)) return hr;
        if (help.Get() && FAILED(hr = writer->SetDocString(help.Get()))) return hr;
        if (attr->guid != GUID_NULL && FAILED(hr = writer->SetGuid(attr->guid))) return hr;
        if (FAILED(hr = writer->SetVersion(attr->wMajorVerNum, attr->wMinorVerNum))) return hr;
        if (attr->typekind == TKIND_ALIAS) {
            TYPEDESC alias;
            if (FAILED(hr = MapTypeDesc(view.Get(), attr->tdescAlias, writer, alias))) return hr;
            if (FAILED(hr = writer->SetTypeDescAlias(&alias))) return hr;
        }
        // A pure dispinterface names no base in the file: readers supply
        // IDispatch themselves. A dual's one base is IDispatch.
        const bool dual = (attr->wTypeFlags & TYPEFLAG_FDUAL) != 0;
        const UINT implTypes = attr->typekind == TKIND_DISPATCH ? 0 : attr->cImplTypes;
        win::ComPtr<ITypeInfo> dispatch;
        if (dual && FAILED(hr = Dispatch(dispatch))) return hr;
        for (UINT i = 0; i < implTypes; ++i) {
            HREFTYPE sourceRef = 0;
            HREFTYPE targetRef = 0;
            INT flags = 0;
            if (FAILED(hr = view->GetRefTypeOfImplType(i, &sourceRef))) return hr;
            if (FAILED(hr = MapReference(view.Get(), sourceRef, writer, targetRef,
                                         dual ? dispatch.Get() : nullptr)))
                return hr;
            if (FAILED(hr = writer->AddImplType(i, targetRef))) return hr;
            if (FAILED(hr = view->GetImplTypeFlags(i, &flags))) return hr;
            if (flags && FAILED(hr = writer->SetImplTypeFlags(i, flags))) return hr;
        }
        WORD flags = attr->wTypeFlags;
        // A dual interface is an Automation interface by definition.
        if (flags & TYPEFLAG_FDUAL) flags |= TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
        if (FAILED(hr = writer->SetTypeFlags(flags))) return hr;
        // The writer's default alignment is 4 whatever the system: an
        // interface of a 64-bit library is pointer aligned.
        if ((attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH) &&
            FAILED(hr = writer->SetAlignment(sizeof(void*))))
            return hr;
        for (UINT i = 0; i < attr->cFuncs; ++i)
            if (FAILED(hr = CopyFunction(view.Get(), writer, i))) return hr;
        for (UINT i = 0; i < attr->cVars; ++i)
            if (FAILED(hr = CopyVariable(view.Get(), writer, i))) return hr;
        return S_OK;
    }

    HRESULT CopyFunction(ITypeInfo* view, ICreateTypeInfo* writer, UINT index) {
        FUNCDESC* source = nullptr;
        HRESULT hr = view->GetFuncDesc(index, &source);
        if (FAILED(hr)) return hr;
        FUNCDESC copy = *source;
        std::vector<ELEMDESC> params(source->lprgelemdescParam,
                                     source->lprgelemdescParam + source->cParams);
        for (ELEMDESC& p : params) {
            if (FAILED(hr)) break;
            TYPEDESC mapped;
            hr = MapTypeDesc(view, p.tdesc, writer, mapped);
            p.tdesc = mapped;
            p.paramdesc.pparamdescex = nullptr;
            p.paramdesc.wParamFlags &= static_cast<USHORT>(~PARAMFLAG_FHASDEFAULT);
        }
        TYPEDESC result;
        if (SUCCEEDED(hr)) hr = MapTypeDesc(view, source->elemdescFunc.tdesc, writer, result);
        copy.elemdescFunc.tdesc = result;
        copy.lprgelemdescParam = params.empty() ? nullptr : params.data();
        copy.lprgscode = nullptr;
        copy.cScodes = 0;
        const MEMBERID id = source->memid;
        const INVOKEKIND kind = source->invkind;
        const SHORT paramCount = source->cParams;
        view->ReleaseFuncDesc(source);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = writer->AddFuncDesc(index, &copy))) return hr;

        // A property put names only its function: its value carries no name.
        std::vector<win::Bstr> names(static_cast<size_t>(paramCount) + 1);
        std::vector<BSTR> raw(names.size(), nullptr);
        UINT got = 0;
        hr = view->GetNames(id, raw.data(), static_cast<UINT>(raw.size()), &got);
        for (size_t i = 0; i < raw.size(); ++i) names[i].Reset(raw[i]);
        if (FAILED(hr)) return hr;
        UINT wanted = (kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF))
                          ? static_cast<UINT>(paramCount)
                          : static_cast<UINT>(paramCount) + 1;
        if (wanted > got) wanted = got;
        std::vector<LPOLESTR> pointers;
        for (UINT i = 0; i < wanted; ++i) pointers.push_back(names[i].Get());
        if (FAILED(hr = writer->SetFuncAndParamNames(index, pointers.data(), wanted))) return hr;
        win::Bstr help;
        hr = view->GetDocumentation(id, nullptr, help.Put(), nullptr, nullptr);
        if (SUCCEEDED(hr) && help.Get()) hr = writer->SetFuncDocString(index, help.Get());
        return hr;
    }

    HRESULT CopyVariable(ITypeInfo* view, ICreateTypeInfo* writer, UINT index) {
        VARDESC* source = nullptr;
        HRESULT hr = view->GetVarDesc(index, &source);
        if (FAILED(hr)) return hr;
        VARDESC copy = *source;
        TYPEDESC mapped;
        hr = MapTypeDesc(view, source->elemdescVar.tdesc, writer, mapped);
        copy.elemdescVar.tdesc = mapped;
        const MEMBERID id = source->memid;
        if (SUCCEEDED(hr)) hr = writer->AddVarDesc(index, &copy);
        view->ReleaseVarDesc(source);
        if (FAILED(hr)) return hr;
        win::Bstr name;
        win::Bstr help;
        if (FAILED(hr = view->GetDocumentation(id, name.Put(), help.Put(), nullptr, nullptr)))
            return hr;
        if (FAILED(hr = writer->SetVarName(index, name.Get()))) return hr;
        std::wstring text;
        if (const char* extra = MemberHelpOf(name.Get())) text = win::AnsiToWide(extra);
        else if (help.Get()) text = help.Get();
        if (!text.empty())
            hr = writer->SetVarDocString(index, const_cast<wchar_t*>(text.c_str()));
        return hr;
    }

    ITypeLib* source_;
    ICreateTypeLib2* target_;
    win::ComPtr<ITypeInfo> dispatch_;
    std::vector<win::ComPtr<ICreateTypeInfo>> writers_;
    std::deque<TYPEDESC> descs_;  // stable storage for nested type descriptions
};

void PutLittleEndian(std::string& bytes, int64_t offset, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(offset + i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The system's writer may give an enumeration the size of a pointer and
// count IDispatch's seven methods into a pure dispinterface's vtable (Wine's
// does both), and ICreateTypeInfo can set neither: both fields are put
// right in the file. On a writer that gets them right nothing changes.
bool MendLayout(std::string& bytes) {
    qor::TypeLibFile file;
    std::string error;
    if (!file.Parse(bytes, error)) {
        fprintf(stderr, "typelib_writer: %s\n", error.c_str());
        return false;
    }
    for (const qor::TypeLibFile::Type& t : file.Types()) {
        if (t.typeKind == TKIND_ENUM)
            PutLittleEndian(bytes, t.entryOffset + qor::TypeLibFile::kSizeField, sizeof(INT), 4);
        if (t.typeKind == TKIND_DISPATCH && !(t.flags & TYPEFLAG_FDUAL))
            PutLittleEndian(bytes, t.entryOffset + qor::TypeLibFile::kVtableSizeField,
                            static_cast<uint32_t>(t.functions.size() * sizeof(void*)), 2);
    }
    return true;
}

// Mends the written file, then reads it back from its bytes, without the
// system's reader, and reports every problem.
bool MendAndCheck(const char* path) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!MendLayout(bytes)) return false;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            fprintf(stderr, "typelib_writer: cannot rewrite %s\n", path);
            return false;
        }
    }
    const std::vector<std::string> problems = qor::CheckQorTypeLibBytes(bytes);
    for (const std::string& p : problems)
        fprintf(stderr, "typelib_writer: %s: %s\n", path, p.c_str());
    return problems.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: typelib_writer SOURCE.tlb TARGET.tlb\n");
        return 2;
    }
    win::ComInit com;
    const std::wstring sourcePath = win::AnsiToWide(argv[1]);
    const std::wstring targetPath = win::AnsiToWide(argv[2]);
    win::ComPtr<ITypeLib> source;
    HRESULT hr = ::LoadTypeLibEx(sourcePath.c_str(), REGKIND_NONE, source.GetAddressOf());
    if (FAILED(hr)) return Fail("loading the source library", hr);
    ::DeleteFileW(targetPath.c_str());
    win::ComPtr<ICreateTypeLib2> target;
    hr = ::CreateTypeLib2(SYS_WIN64, targetPath.c_str(), target.GetAddressOf());
    if (FAILED(hr)) return Fail("creating the target library", hr);
    hr = LibraryCopier(source.Get(), target.Get()).Copy();
    target.Reset();
    if (FAILED(hr)) {
        ::DeleteFileW(targetPath.c_str());
        return Fail("copying the library", hr);
    }
    if (!MendAndCheck(argv[2])) {
        ::DeleteFileW(targetPath.c_str());
        return 1;
    }
    return 0;
}
