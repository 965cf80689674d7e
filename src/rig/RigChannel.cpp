#include "RigChannel.h"

#include <memory>

void RigChannel::requestTogether(const QList<QByteArray>& commands, QObject* context,
                                 std::function<void(const QByteArray&, const RigReply&)> each,
                                 std::function<void(bool)> done)
{
    auto pending = std::make_shared<qsizetype>(commands.size());
    auto unanswered = std::make_shared<bool>(false);
    for (const QByteArray& command : commands) {
        request(command, context, [command, pending, unanswered, each, done](const RigReply& reply) {
            if (reply.status == RigReply::NotAnswered)
                *unanswered = true;
            if (each)
                each(command, reply);
            if (--*pending == 0)
                done(*unanswered);
        });
    }
}
