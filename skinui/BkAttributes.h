#pragma once

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "BkLimits.h"
#include "BkParse.h"

class CBkObject;
class CBkSkinBase;

// What SetAttribute answers for one attribute.
enum BkAttrResult : HRESULT {
    kAttrTaken = S_OK,      // taken; what the object draws does not change
    kAttrRepaint = 1,       // taken; the object is to be drawn again
    kAttrRefused = E_FAIL,  // no attribute of that name, or a value the attribute refuses
};

// The attributes of one class, walked by CBkObject::SetAttribute: the base class's first, then
// the class's own; the first that takes the name answers.
class BkAttributeTable {
public:
    virtual ~BkAttributeTable() = default;
    virtual HRESULT Apply(CBkObject& object, const std::string& name, const std::string& value,
                          bool loading) const = 0;
};

namespace bkattr_detail {

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};

// `object`.*First.*Rest...: a member, or a member of a member.
template <auto First, auto... Rest, class Object>
auto& MemberAt(Object& object) {
    if constexpr (sizeof...(Rest) == 0) {
        return object.*First;
    } else {
        return MemberAt<Rest...>(object.*First);
    }
}

}  // namespace bkattr_detail

// The attribute table of class `Owner`: one row per attribute. A class declares it with
// BK_ATTRIBUTES() and defines it beside its code with BK_DEFINE_ATTRIBUTES.
template <class Owner>
class BkAttributes final : public BkAttributeTable {
public:
    // Takes `value`; false when the attribute refuses it. `loading`: while the XML is applied.
    using Setter = bool (*)(Owner& owner, const std::string& value, bool loading);
    struct Row {
        const char* name;  // case-sensitive
        Setter set;
        // What a taken value answers: kAttrRepaint when it changes what is drawn, else kAttrTaken.
        BkAttrResult taken;
    };
    // The object that holds the base table's attributes when it is not the owner itself (a
    // member the owner draws with).
    using Part = CBkObject& (*)(Owner& owner);

    BkAttributes(const BkAttributeTable* base, std::initializer_list<Row> rows, Part part = nullptr)
        : base_(base), part_(part), rows_(rows) {}

    HRESULT Apply(CBkObject& object, const std::string& name, const std::string& value,
                  bool loading) const override {
        Owner& owner = static_cast<Owner&>(object);
        if (base_) {
            const HRESULT result =
                base_->Apply(part_ ? part_(owner) : object, name, value, loading);
            if (result != kAttrRefused) {
                return result;
            }
        }
        for (const Row& row : rows_) {
            if (name == row.name) {
                return row.set(owner, value, loading) ? row.taken : kAttrRefused;
            }
        }
        return kAttrRefused;
    }

    // The setter that stores Parse(value) in the member `Path` (a member pointer, or a member
    // pointer followed by those of its members). A parser that returns std::optional refuses
    // the value with an empty one, and the member keeps what it had.
    template <auto Parse, auto... Path>
    static bool Field(Owner& owner, const std::string& value, bool) {
        decltype(auto) parsed = Parse(value);
        if constexpr (bkattr_detail::IsOptional<std::decay_t<decltype(parsed)>>::value) {
            if (!parsed) {
                return false;
            }
            bkattr_detail::MemberAt<Path...>(owner) = *parsed;
        } else {
            bkattr_detail::MemberAt<Path...>(owner) = parsed;
        }
        return true;
    }

    // As Field, but an empty value is taken and changes nothing.
    template <auto Parse, auto... Path>
    static bool FieldIfGiven(Owner& owner, const std::string& value, bool loading) {
        return value.empty() || Field<Parse, Path...>(owner, value, loading);
    }

private:
    const BkAttributeTable* base_;
    Part part_;
    std::vector<Row> rows_;
};

// In a class of the framework: the class has attributes of its own, in the table that
// BK_DEFINE_ATTRIBUTES defines beside its code.
#define BK_ATTRIBUTES()                                   \
    static const BkAttributeTable& AttributeTable();      \
    const BkAttributeTable& Attributes() const override { \
        return AttributeTable();                          \
    }

// Defines the attribute table of `Class`, walked after that of `Base` (CBkObject for none): one
// row per attribute, {"name", setter, kAttrRepaint or kAttrTaken}, with `A` for
// BkAttributes<Class>:
//
//     BK_DEFINE_ATTRIBUTES(CBkProgress, CBkRangeBar,
//         {"crframe", A::Field<ParseColorRGB, &CBkProgress::frameColor_>, kAttrRepaint},
//         {"crposbar", A::Field<ParseColorRGB, &CBkProgress::barColor_>, kAttrRepaint})
#define BK_DEFINE_ATTRIBUTES(Class, Base, ...)                        \
    const BkAttributeTable& Class::AttributeTable() {                 \
        using A = BkAttributes<Class>;                                \
        static const A table(&Base::AttributeTable(), {__VA_ARGS__}); \
        return table;                                                 \
    }

// Parsers that attribute rows share (the plain ones are BkParse's, GetSkin and Utf8ToWide).
namespace bkattr {

// The text as it is.
inline const std::string& Text(const std::string& value) {
    return value;
}
// A font key in hexadecimal.
inline WORD FontKey(const std::string& value) {
    return static_cast<WORD>(ParseHex(value));
}
// The font of a hexadecimal font key, from the font pool.
HFONT Font(const std::string& value);
// A decimal integer clamped to [Low, High].
template <int Low, int High>
int ClampedInt(const std::string& value) {
    return BkClamp(ParseInt(value), Low, High);
}
// A coordinate or offset, kept within the limits layouts may use.
inline int Coordinate(const std::string& value) {
    return BkClamp(ParseInt(value), -kBkMaxCoordinate, kBkMaxCoordinate);
}
// The position of `value` among `words` (case-sensitive), or none.
std::optional<int> WordIndex(const std::string& value, std::initializer_list<const char*> words);

}  // namespace bkattr
