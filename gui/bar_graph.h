// Bar graphs: a numeric value shown as a row or column of filled segments between a minimum
// and a maximum, stepped up and down with the keypad while the bar has focus, either live or
// on a copy that a closing dialog commits or drops.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "data/data.h"
#include "data/data_ref.h"
#include "gui/edit_copy.h"
#include "gui/graphical_obj.h"

// The edge a bar fills from.
typedef int32_t Direction;
enum : Direction {
    LEFT_TO_RIGHT = 0,
    RIGHT_TO_LEFT = 1,
    BOTTOM_TO_TOP = 2,
    TOP_TO_BOTTOM = 3,
};

class BarGraph;

// Told when a bar takes focus and when a closing key reaches it.
class BarGraphAction {
public:
    virtual void onFocus(BarGraph*, DataRef*) {}
    virtual void onClosingKey(BarGraph*, UserEvent) {}
    virtual ~BarGraphAction() = default;
};

class BarGraph : public GraphicalObj, public NotifiableWithDataRef {
public:
    // lastDrawn's value for "draw again whatever the value".
    static constexpr uint32_t DrawAlways = 65535;

    BarGraph(DataRef* ref, double minValue, double maxValue, const BBox& box,
             Color objectBackground, Color barColor, uint32_t segments, Color barBackground,
             Direction direction, bool editsLive);
    ~BarGraph() override;

    void focus() override;
    UserEvent handleUserEvent(UserEvent e) override;
    bool _erase_(const Rect&, Color) override { return false; }
    void notify(NotificationEvent event, Data* data) override;

    void setLowRange(double low, Color lowColor, double low2, Color lowColor2);
    double convertSegmentsToValue(uint32_t n) const;
    void setValueInTermsOfSegments(uint32_t n);
    uint32_t getValueInTermsOfSegments();
    bool editingCopy() const { return edit.active(); }

    // While a copy is edited: the data the reference pointed at, and the copy.
    EditCopy edit;
    double minValue;
    double range;
    Color barBackground;
    double lowRange, lowRange2;
    Color lowRangeColor, lowRangeColor2;
    uint32_t segments;
    uint32_t lastDrawn = DrawAlways;
    Direction direction;
    bool editsLive;
    BarGraphAction* action = nullptr;
    uint32_t minSegments = 0;
    int32_t validityMode = 0;

protected:
    void step(bool up);
};

class LinearBarGraph : public BarGraph {
public:
    LinearBarGraph(DataRef* ref, double minValue, double maxValue, const BBox& box,
                   Color objectBackground, Color barColor, uint32_t segments, uint8_t gap,
                   Color barBackground, Color activeColor, Direction direction, bool editsLive);

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void defocus(UserEvent e) override;
    UserEvent activate() override;
    void dim(bool dim, bool redraw) override;

    uint8_t gap;
    // Wider than the gap: one segment may span the whole screen.
    uint16_t thickness = 0;
    Color activeColor;
    bool activationDisabled = false;
    bool showValueWhenDisabled = false;

private:
    void layout(const Rect& absRect);
    // Fills depth pixels of the bar, starting from pixels in from its starting edge.
    void fillSpan(const Rect& absRect, long from, long depth, Color c);
};
