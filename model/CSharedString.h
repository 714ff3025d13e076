#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// An immutable string whose copies share one buffer. A face-material group names its
// material once and every face of the group carries that name, so on large files the
// model holds millions of copies of a handful of names; sharing keeps each copy at one
// pointer. Copies behave as values: nothing can change the shared characters.
// Not thread-safe, like everything in the model (one user-interface thread).
class CSharedString {
public:
    CSharedString() noexcept = default;
    CSharedString(std::string_view sv) { Assign(sv); }
    CSharedString(const char* psz) { Assign(psz ? std::string_view(psz) : std::string_view()); }
    CSharedString(const std::string& s) { Assign(s); }

    CSharedString(const CSharedString& other) noexcept : m_pRep(other.m_pRep) { AddRef(); }
    CSharedString(CSharedString&& other) noexcept : m_pRep(other.m_pRep) { other.m_pRep = nullptr; }
    CSharedString& operator=(const CSharedString& other) noexcept
    {
        if (m_pRep != other.m_pRep) {
            Release();
            m_pRep = other.m_pRep;
            AddRef();
        }
        return *this;
    }
    CSharedString& operator=(CSharedString&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_pRep = other.m_pRep;
            other.m_pRep = nullptr;
        }
        return *this;
    }
    ~CSharedString() { Release(); }

    std::string_view view() const noexcept
    {
        return m_pRep ? std::string_view(m_pRep->chars, m_pRep->length) : std::string_view();
    }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    const char* c_str() const noexcept { return m_pRep ? m_pRep->chars : ""; }
    std::size_t size() const noexcept { return m_pRep ? m_pRep->length : 0; }
    bool empty() const noexcept { return size() == 0; }

    friend bool operator==(const CSharedString& a, const CSharedString& b) noexcept
    {
        return a.m_pRep == b.m_pRep || a.view() == b.view();
    }
    friend bool operator==(const CSharedString& a, std::string_view b) noexcept { return a.view() == b; }
    friend bool operator==(const CSharedString& a, const std::string& b) noexcept { return a.view() == b; }
    friend bool operator==(const CSharedString& a, const char* b) noexcept
    {
        return a.view() == (b ? std::string_view(b) : std::string_view());
    }

private:
    struct Rep {
        std::size_t refs;
        std::size_t length;
        char chars[1];  // length + 1 bytes, zero-terminated
    };

    void Assign(std::string_view sv)
    {
        if (sv.empty())
            return;  // the empty string needs no buffer
        void* p = ::operator new(offsetof(Rep, chars) + sv.size() + 1);
        m_pRep = static_cast<Rep*>(p);
        m_pRep->refs = 1;
        m_pRep->length = sv.size();
        std::memcpy(m_pRep->chars, sv.data(), sv.size());
        m_pRep->chars[sv.size()] = '\0';
    }
    void AddRef() noexcept
    {
        if (m_pRep)
            ++m_pRep->refs;
    }
    void Release() noexcept
    {
        if (m_pRep && --m_pRep->refs == 0)
            ::operator delete(m_pRep);
        m_pRep = nullptr;
    }

    Rep* m_pRep = nullptr;
};
