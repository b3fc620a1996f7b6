#pragma once

// The parameter changes of one block as another format's adapter hands them to a VST3
// processor: room for a fixed number of parameters, each with a queue of a fixed number of
// points, all made at construction. Filling and reading allocate nothing, take no lock and
// throw nothing, so an adapter fills them on the audio thread:
//
//     PointChanges changes(parameterCount, 2 * maxBlockSize + 2); // at activation
//     changes.clear();                                            // each block
//     changes.addPoint(id, offset, value);                        // for each event
//     data.inputParameterChanges = &changes;
//
// Points are kept in the order they are added, as a host would hand them: the processor is the
// one that skips offsets that do not increase. A point at the offset of a queue's last point
// replaces that point's value (the latest value for a sample wins). When a queue is full, the
// last point takes the new value, so the block still ends on the latest value.
//
// Owned by value; reference counting is a no-op.

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>

namespace kelvane::wrappers {

class PointQueue : public Steinberg::Vst::IParamValueQueue {
public:
    PointQueue() = default;
    virtual ~PointQueue() = default;

    // Called by PointChanges only.
    void bind(Steinberg::Vst::ParamValue* storage, Steinberg::int32* offsetStorage,
              Steinberg::int32 size) {
        values = storage;
        offsets = offsetStorage;
        capacity = size;
    }
    void reset(Steinberg::Vst::ParamID parameterId) {
        id = parameterId;
        count = 0;
    }
    // addPoint without the virtual call, for the adapter's own event loop.
    void add(Steinberg::int32 sampleOffset, Steinberg::Vst::ParamValue value) noexcept {
        if (capacity <= 0) {
            return;
        }
        if (count > 0 && (offsets[count - 1] == sampleOffset || count == capacity)) {
            offsets[count - 1] = sampleOffset;
            values[count - 1] = value;
            return;
        }
        offsets[count] = sampleOffset;
        values[count] = value;
        ++count;
    }
    Steinberg::int32 pointCount() const { return count; }
    // The value of the last point; only meaningful when the count is above 0.
    Steinberg::Vst::ParamValue lastValue() const { return values[count - 1]; }
    Steinberg::int32 lastOffset() const { return offsets[count - 1]; }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return id; }
    Steinberg::int32 PLUGIN_API getPointCount() SMTG_OVERRIDE { return count; }
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) SMTG_OVERRIDE;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queriedIid,
                                                 void** obj) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    friend class StepWriter;
    Steinberg::Vst::ParamID id = 0;
    Steinberg::int32 count = 0;
    Steinberg::int32 capacity = 0;
    Steinberg::Vst::ParamValue* values = nullptr;
    Steinberg::int32* offsets = nullptr;
};

// Steps written into a queue's storage for an adapter's event loop, which keeps one writer per
// parameter for a block: open, step for each event, close to give the queue its points. A step
// at time holds the previous value up to the sample before and has the new value from time
// on; a point already at time (an earlier step at the same time) takes the new value instead,
// and one already at the sample before is not repeated. A full queue keeps taking the latest
// value in its last point.
class StepWriter {
public:
    void open(PointQueue& target) noexcept;
    bool isOpen() const { return queue != nullptr; }
    void step(Steinberg::int32 time, Steinberg::Vst::ParamValue previous,
              Steinberg::Vst::ParamValue value) noexcept {
        // Everything the decision needs is here, not behind the queue: in a dense block the
        // loop otherwise waits on a chain of loads for every event.
        Steinberg::int32 n = count;
        if (n > 0 && last == time) {
            values[n - 1] = value;
            return;
        }
        if (time > 0 && (n == 0 || last != time - 1)) {
            n = put(n, time - 1, previous);
        }
        count = put(n, time, value);
        last = time;
    }
    // Gives the queue its points; the writer is free for the next block.
    void close() noexcept;

private:
    Steinberg::int32 put(Steinberg::int32 n, Steinberg::int32 offset,
                         Steinberg::Vst::ParamValue value) noexcept {
        if (n == capacity) {
            --n;
        }
        offsets[n] = offset;
        values[n] = value;
        return n + 1;
    }

    PointQueue* queue = nullptr;
    Steinberg::Vst::ParamValue* values = nullptr;
    Steinberg::int32* offsets = nullptr;
    Steinberg::int32 count = 0;
    Steinberg::int32 capacity = 0;
    Steinberg::int32 last = 0;
};

class PointChanges : public Steinberg::Vst::IParameterChanges {
public:
    // maxPoints below 1 counts as 1.
    PointChanges(Steinberg::int32 maxParameters, Steinberg::int32 maxPoints);
    virtual ~PointChanges() = default;
    PointChanges(const PointChanges&) = delete;
    PointChanges& operator=(const PointChanges&) = delete;

    void clear() noexcept { used = 0; }
    Steinberg::int32 parameterCapacity() const { return parameters; }
    Steinberg::int32 pointCapacity() const { return points; }

    // Adds a point to id's queue (made if there is room); false when no queue is left for id.
    bool addPoint(Steinberg::Vst::ParamID id, Steinberg::int32 offset,
                  Steinberg::Vst::ParamValue value) noexcept;
    // id's queue in this block, or null.
    PointQueue* find(Steinberg::Vst::ParamID id) noexcept;

    Steinberg::int32 PLUGIN_API getParameterCount() SMTG_OVERRIDE { return used; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index)
        SMTG_OVERRIDE;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API
    addParameterData(const Steinberg::Vst::ParamID& id, Steinberg::int32& index) SMTG_OVERRIDE;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queriedIid,
                                                 void** obj) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    Steinberg::int32 parameters;
    Steinberg::int32 points;
    Steinberg::int32 used = 0;
    std::unique_ptr<PointQueue[]> queues;
    std::unique_ptr<Steinberg::Vst::ParamValue[]> values;
    std::unique_ptr<Steinberg::int32[]> offsets;
};

} // namespace kelvane::wrappers
