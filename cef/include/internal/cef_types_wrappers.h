#pragma once

#include <cstring>
#include <ctime>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// A C struct of the library with value semantics: copies copy its strings, destruction frees them.
template <class traits>
class CefStructBase : public traits::struct_type {
public:
    typedef typename traits::struct_type struct_type;

    CefStructBase() { Init(); }
    virtual ~CefStructBase() { traits::clear(this); }
    CefStructBase(const CefStructBase& r) : CefStructBase() { *this = r; }
    CefStructBase(const struct_type& r) : CefStructBase() { *this = r; }

    void Reset() {
        traits::clear(this);
        Init();
    }

    CefStructBase& operator=(const CefStructBase& s) {
        return operator=(static_cast<const struct_type&>(s));
    }
    CefStructBase& operator=(const struct_type& s) {
        if (static_cast<const struct_type*>(this) != &s) {
            traits::set(&s, this, true);
        }
        return *this;
    }

private:
    void Init() {
        std::memset(static_cast<struct_type*>(this), 0, sizeof(struct_type));
        traits::init(this);
    }
};

// Traits of structs without strings: a plain copy.
template <class T>
struct CefPlainStructTraits {
    typedef T struct_type;
    static void init(struct_type*) {}
    static void clear(struct_type*) {}
    static void set(const struct_type* src, struct_type* target, bool) { *target = *src; }
};

struct CefSettingsTraits {
    typedef cef_settings_t struct_type;
    static void init(struct_type* s) { s->size = sizeof(struct_type); }
    static void clear(struct_type* s);
    static void set(const struct_type* src, struct_type* target, bool copy);
};
typedef CefStructBase<CefSettingsTraits> CefSettings;

struct CefBrowserSettingsTraits {
    typedef cef_browser_settings_t struct_type;
    static void init(struct_type* s) { s->size = sizeof(struct_type); }
    static void clear(struct_type* s);
    static void set(const struct_type* src, struct_type* target, bool copy);
};
typedef CefStructBase<CefBrowserSettingsTraits> CefBrowserSettings;

typedef CefStructBase<CefPlainStructTraits<cef_popup_features_t>> CefPopupFeatures;

class CefPoint : public CefStructBase<CefPlainStructTraits<cef_point_t>> {
public:
    CefPoint() {}
    CefPoint(int x, int y) { Set(x, y); }
    void Set(int x_val, int y_val) {
        x = x_val;
        y = y_val;
    }
};

class CefRect : public CefStructBase<CefPlainStructTraits<cef_rect_t>> {
public:
    CefRect() {}
    CefRect(int x, int y, int width, int height) { Set(x, y, width, height); }
    void Set(int x_val, int y_val, int width_val, int height_val) {
        x = x_val;
        y = y_val;
        width = width_val;
        height = height_val;
    }
};

// A calendar time in UTC.
class CefTime : public CefStructBase<CefPlainStructTraits<cef_time_t>> {
public:
    CefTime() {}
    explicit CefTime(time_t r) { SetTimeT(r); }
    void SetTimeT(time_t r);
    time_t GetTimeT() const;
    void Now();
};
