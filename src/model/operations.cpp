#include "model/operations.h"

namespace kaltero::model {

namespace {

template <std::size_t... I>
std::shared_ptr<const Operation> readOperation(Op op, const QVariantMap& args,
                                               std::index_sequence<I...>) {
    std::shared_ptr<const Operation> operation;
    const auto readAs = [&]<std::size_t N>(std::integral_constant<std::size_t, N>) {
        using Record = std::variant_alternative_t<N, Operation::variant>;
        if (Record::op != op) {
            return false;
        }
        operation =
            std::make_shared<const Operation>(std::in_place_index<N>, recordFrom<Record>(args));
        return true;
    };
    (readAs(std::integral_constant<std::size_t, I>{}) || ...);
    return operation;
}

}  // namespace

QVariantMap argsOf(const Change& change) {
    if (!change.operation) {
        return {};
    }
    return std::visit([](const auto& record) { return argsOf(record); }, *change.operation);
}

std::optional<Change> changeFrom(const QString& name, int slot, int lap, const QString& detail,
                                 const QVariantMap& args) {
    const std::optional<Op> op = opFromName(name);
    if (!op) {
        return std::nullopt;
    }
    return Change{
        *op, slot, lap, detail,
        readOperation(*op, args,
                      std::make_index_sequence<std::variant_size_v<Operation::variant>>{})};
}

QList<Change> lastHeardChanges(int slot, const QString& message, std::optional<qint32> tick) {
    QList<Change> changes{changeOf(op::MessageReceived{.message = message}, slot, 0, message)};
    if (tick) {
        changes.append(changeOf(op::ReportHeard{.tick = *tick}, slot));
    }
    return changes;
}

}  // namespace kaltero::model
