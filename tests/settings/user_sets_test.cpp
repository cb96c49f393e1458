// The camera's user sets: the six operations, their outputs on every outcome, and the add-then-select
// sequence.

#include <gtest/gtest.h>

#include "camera_store.h"

namespace {

using namespace norvik::api;
using quorix_test::ScriptedCamera;
using settings_test::CameraStore;
using Names = std::vector<std::string>;

const char kGuard[] = "Invalid device. Please use connect() to connect to a Quorix device.";

Json::Value groups(const Json::Value& names, const Json::Value& current) {
    Json::Value body;
    body["available_config_names"] = names;
    body["current_config"] = current;
    return body;
}

class UserSets : public ::testing::Test {
protected:
    void SetUp() override { store.connect(device); }
    void answerGroups(const Json::Value& body) {
        store.camera.on("GetConfigGroup", [body](const Json::Value&) { return ScriptedCamera::json(body); });
    }
    void acceptAll() {
        for (const char* command :
             {"AddConfigGroup", "DeleteConfigGroup", "SetConfigGroup", "SetCameraConfig"})
            store.camera.on(command,
                            [](const Json::Value&) { return ScriptedCamera::json(Json::objectValue); });
    }
    CameraStore store;
    QuorixDevice device;
};

TEST_F(UserSets, DisconnectedDeviceLeavesOutputsAndSendsNothing) {
    device.disconnect();
    Names names{"old"};
    std::string current = "old";
    const std::vector<ErrorStatus> results = {
        device.addUserSet("a"),       device.deleteUserSet("a"),         device.setCurrentUserSet("a"),
        device.getAllUserSets(names), device.getCurrentUserSet(current), device.saveAllSettingsToUserSets(),
        device.addUserSet(""),
    };
    for (const ErrorStatus& s : results) {
        EXPECT_EQ(s.code, InvalidDevice);
        EXPECT_EQ(s.message, kGuard);
    }
    EXPECT_EQ(names, Names{"old"});
    EXPECT_EQ(current, "old");
    EXPECT_TRUE(store.camera.requests().empty());
}

TEST_F(UserSets, ReadsNamesInOrderAndTheCurrentOne) {
    Json::Value list;
    list.append("a");
    list.append("b");
    answerGroups(groups(list, "b"));
    Names names{"stale", "entries"};
    std::string current;
    ASSERT_TRUE(device.getAllUserSets(names).isOk());
    ASSERT_TRUE(device.getCurrentUserSet(current).isOk());
    EXPECT_EQ(names, (Names{"a", "b"}));
    EXPECT_EQ(current, "b");
    EXPECT_EQ(store.camera.requests(), Names(2, "{\"cmd\":\"GetConfigGroup\"}\n"));

    answerGroups(Json::objectValue);  // no keys: nothing to list, no current name
    EXPECT_TRUE(device.getAllUserSets(names).isOk());
    EXPECT_TRUE(device.getCurrentUserSet(current).isOk());
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(current, "");
}

TEST_F(UserSets, FailedOrMalformedReadsEmptyTheOutputs) {
    Json::Value object;
    object["x"] = 1;
    Json::Value mixed;
    mixed.append("a");
    mixed.append(object);
    const struct {
        quorix_test::Reply reply;
        std::string message;
    } cases[] = {
        {ScriptedCamera::error("no groups"), "no groups"},
        {ScriptedCamera::json(groups(mixed, object)),
         "Malformed reply: \"available_config_names\" holds a value that is not a name."},
        {ScriptedCamera::json(groups("a", Json::arrayValue)),
         "Malformed reply: \"available_config_names\" is not a list of names."},
    };
    for (const auto& c : cases) {
        Names names{"old"};
        std::string current = "old";
        store.camera.queue("GetConfigGroup", c.reply);
        store.camera.queue("GetConfigGroup", c.reply);
        const ErrorStatus all = device.getAllUserSets(names);
        const ErrorStatus one = device.getCurrentUserSet(current);
        EXPECT_EQ(all.code, ReadError);
        EXPECT_EQ(all.message, c.message);
        EXPECT_EQ(one.code, ReadError);
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(current, "");
    }
}

TEST_F(UserSets, AddSelectsTheNewSet) {
    acceptAll();
    ASSERT_TRUE(device.addUserSet("night").isOk());
    EXPECT_EQ(store.camera.requests(), (Names{"{\"cmd\":\"AddConfigGroup\",\"config_name\":\"night\"}\n",
                                              "{\"cmd\":\"SetConfigGroup\",\"config_name\":\"night\"}\n"}));
    store.camera.clearRequests();
    store.camera.queue("AddConfigGroup", ScriptedCamera::error("exists"));
    const ErrorStatus refused = device.addUserSet("night");
    EXPECT_EQ(refused.code, WriteError);
    EXPECT_EQ(refused.message, "exists");
    EXPECT_EQ(store.camera.commands(), Names{"AddConfigGroup"});
    // Added but not selected: the selection's failure is reported.
    store.camera.queue("SetConfigGroup", ScriptedCamera::error("cannot select"));
    EXPECT_EQ(device.addUserSet("day").message, "cannot select");
}

TEST_F(UserSets, EmptyNames) {
    acceptAll();
    const ErrorStatus s = device.addUserSet("");
    EXPECT_EQ(s.code, WriteError);
    EXPECT_EQ(s.message, "Input user set name is empty.");
    EXPECT_TRUE(store.camera.requests().empty());
    EXPECT_TRUE(device.deleteUserSet("").isOk());
    EXPECT_TRUE(device.setCurrentUserSet("").isOk());
    EXPECT_EQ(store.camera.requests(), (Names{"{\"cmd\":\"DeleteConfigGroup\",\"config_name\":\"\"}\n",
                                              "{\"cmd\":\"SetConfigGroup\",\"config_name\":\"\"}\n"}));
}

TEST_F(UserSets, SaveAndWriteFailures) {
    acceptAll();
    ASSERT_TRUE(device.saveAllSettingsToUserSets().isOk());
    EXPECT_EQ(store.camera.requests(),
              Names{"{\"camera_config\":null,\"cmd\":\"SetCameraConfig\",\"persistent\":true}\n"});
    for (const char* command : {"DeleteConfigGroup", "SetConfigGroup", "SetCameraConfig"})
        store.camera.queue(command, ScriptedCamera::error(std::string("no ") + command));
    EXPECT_EQ(device.deleteUserSet("a").message, "no DeleteConfigGroup");
    EXPECT_EQ(device.setCurrentUserSet("a").message, "no SetConfigGroup");
    const ErrorStatus save = device.saveAllSettingsToUserSets();
    EXPECT_EQ(save.code, WriteError);
    EXPECT_EQ(save.message, "no SetCameraConfig");
}

}  // namespace
