// The return stack, routine frames and array access of translated code.
#include "runtime/core/program.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/strings/strings.h"

namespace {

struct ReturnStack {
    std::vector<int32_t> points;
    int32_t capacity = 0;
};

ReturnStack return_stack;

}  // namespace

void return_stack_init() {
    return_stack.points.clear();
    return_stack.points.reserve(RETURN_STACK_FIRST_CAPACITY);
    return_stack.capacity = RETURN_STACK_FIRST_CAPACITY;
}

void return_stack_push(int32_t return_point) {
    if (static_cast<int32_t>(return_stack.points.size()) == return_stack.capacity) {
        // The capacity is a signed 32-bit count; doubling past its range is out of stack.
        if (return_stack.capacity > std::numeric_limits<int32_t>::max() / 2) {
            critical_error(ERROR_OUT_OF_STACK_SPACE);
        }
        const int32_t doubled = return_stack.capacity * 2;
        try {
            return_stack.points.reserve(doubled);
        } catch (...) {
            critical_error(ERROR_OUT_OF_STACK_SPACE);
        }
        return_stack.capacity = doubled;
    }
    return_stack.points.push_back(return_point);
}

int32_t return_stack_pop() {
    if (return_stack.points.empty()) {
        raise_error(ERROR_RETURN_WITHOUT_GOSUB);
        return 0;
    }
    const int32_t point = return_stack.points.back();
    return_stack.points.pop_back();
    return point;
}

int32_t return_stack_depth() {
    return static_cast<int32_t>(return_stack.points.size());
}

RoutineFrame routine_enter() {
    RoutineFrame frame{temporary_mark(), variable_memory.top, data_segment.record_top, lock_take()};
    frame.scope->kind = LOCK_ROUTINE;
    return frame;
}

void routine_exit(const RoutineFrame& frame) {
    lock_release(frame.scope);
    variable_top_restore(frame.variable_top);
    data_segment.record_top = frame.record_top;
}

ArrayDescriptor* array_new(int32_t lower_bound, int32_t count, int32_t element_size) {
    if (count < 0) {
        raise_error(ERROR_SUBSCRIPT_OUT_OF_RANGE);
        count = 0;
    }
    auto* array = reinterpret_cast<ArrayDescriptor*>(variable_alloc(sizeof(ArrayDescriptor)));
    // One element more than needed when empty: a failed index still names element 0.
    const int64_t bytes = static_cast<int64_t>(count > 0 ? count : 1) * element_size;
    if (element_size <= 0 || bytes > std::numeric_limits<int32_t>::max()) {
        critical_error(CRITICAL_VARIABLE_MEMORY);
    }
    array->elements = variable_alloc(static_cast<int32_t>(bytes));
    std::memset(array->elements, 0, static_cast<size_t>(bytes));
    array->lower_bound = lower_bound;
    array->count = count;
    array->lock = lock_take();
    array->lock->kind = LOCK_ARRAY;
    return array;
}

int32_t array_element(const ArrayDescriptor& array, double index) {
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(index);
    const double element = rounded - array.lower_bound;
    if (!(element >= 0 && element < array.count)) {
        raise_error(ERROR_SUBSCRIPT_OUT_OF_RANGE);
        return 0;
    }
    return static_cast<int32_t>(element);
}
