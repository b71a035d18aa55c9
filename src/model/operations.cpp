#include "model/operations.h"

namespace kaltero::model {

namespace {

template <std::size_t... I>
std::optional<Operation> readOperation(const Change& c, std::index_sequence<I...>) {
    std::optional<Operation> operation;
    const auto readAs = [&]<std::size_t N>(std::integral_constant<std::size_t, N>) {
        using Record = std::variant_alternative_t<N, Operation>;
        if (Record::op != c.op) {
            return false;
        }
        operation.emplace(std::in_place_index<N>, recordFrom<Record>(c.args));
        return true;
    };
    (readAs(std::integral_constant<std::size_t, I>{}) || ...);
    return operation;
}

}  // namespace

std::optional<Operation> operationOf(const Change& change) {
    return readOperation(change, std::make_index_sequence<std::variant_size_v<Operation>>{});
}

QList<Change> lastHeardChanges(int slot, const QString& message, std::optional<qint32> tick) {
    QList<Change> changes{changeOf(op::MessageReceived{.message = message}, slot, 0, message)};
    if (tick) {
        changes.append(changeOf(op::ReportHeard{.tick = *tick}, slot));
    }
    return changes;
}

}  // namespace kaltero::model
