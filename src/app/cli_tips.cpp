// tips: the tips of the day, keyed as the window keeps them.
#include "app/cli.h"

#include "companion/tips.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int runTips(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli tips"), CliUsage);
    const Tips tips;
    QJsonArray json;
    for (const Tips::Tip& tip : tips.all()) {
        if (cli.json)
            json.append(QJsonObject{{"key", Tips::keyOf(tip.id)}, {"text", tip.text}});
        else
            cli.out << Tips::keyOf(tip.id) << '\t' << tip.text << '\n';
    }
    if (cli.json)
        cli.printJson(json);
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration registration{{"tips", "", "每日一贴的全部内容", runTips}};

} // namespace
