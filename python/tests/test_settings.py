"""Settings by name: every setting of the connected model written and read back, descriptions from the
library's catalogue, refusals as the library's exceptions, presets."""

import math

import pytest

import quorix
from quorix import SettingKind


def _in_range(description, number):
    return description.minimum <= number <= description.maximum


def _candidates(description, current, settings):
    """Values other than current for the setting, from its description alone."""
    kind = description.kind
    if kind == SettingKind.Boolean:
        return [not current]
    if kind == SettingKind.Enumeration:
        return [e.name for e in description.enumerators if e.value != current and not e.refused_by_models]
    low, high = math.ceil(description.minimum), math.floor(description.maximum)
    if kind in (SettingKind.Integer, SettingKind.Real):
        return [v for v in (round((low + high) / 2), high, low) if v != current and _in_range(description, v)]
    if kind == SettingKind.RealList:
        count = min(2, description.maximum_count)
        return [[float(high), float(low)][:count], [float(low)] * description.minimum_count]
    values = []  # a record: one field changed at a time (half, one more, one less)
    for field in description.fields:
        for number in (current[field.name] // 2, current[field.name] + 1, current[field.name] - 1):
            if number != current[field.name] and number >= 0:
                values.append(dict(current, **{field.name: number}))
    return values


def test_every_setting_of_the_model_round_trips(device):
    settings = device.settings
    names = list(settings)
    assert names and len(names) == len(settings)
    for name in names:
        description = settings.describe(name)
        current = settings[name]
        accepted = []
        for value in _candidates(description, current, settings):
            try:
                settings.check(name, value)
                accepted.append(value)
            except quorix.WriteError:
                pass
        assert accepted, name
        settings[name] = accepted[0]
        got = settings[name]
        if description.kind == SettingKind.Enumeration:
            assert isinstance(got, int) and got.name == accepted[0], name
        else:
            assert got == accepted[0], name


def test_describe_is_the_catalogue_of_the_connected_model(device):
    model = device.info.model
    catalogue = quorix.setting_catalogue(model)
    assert list(device.settings) == [d.name for d in catalogue]
    assert len(quorix.setting_catalogue()) > len(catalogue)  # the other models' settings are left out
    for expected in catalogue:
        got = device.settings.describe(expected.name)
        assert (got.kind, got.minimum, got.maximum, got.unit, got.description, got.models) == (
            expected.kind, expected.minimum, expected.maximum, expected.unit, expected.description, expected.models)
        assert [(e.name, e.value) for e in got.enumerators] == [(e.name, e.value) for e in expected.enumerators]
        assert [(f.name, f.kind, f.minimum, f.maximum) for f in got.fields] == [
            (f.name, f.kind, f.minimum, f.maximum) for f in expected.fields]
        assert got.available_on(model)
    with pytest.raises(KeyError):
        device.settings.describe("NoSuchSetting")


def test_values_by_name_enum_and_partial_record(device):
    settings = device.settings
    settings["ProjectorPowerLevel"] = "Low"
    level = settings["ProjectorPowerLevel"]
    assert level.name == "Low" and type(level).__name__ == "ProjectorPowerLevel"
    settings["ProjectorPowerLevel"] = type(level)["Normal"]
    assert settings["ProjectorPowerLevel"].name == "Normal"
    before = settings["DepthRange"]
    settings["DepthRange"] = {"depthUpperLimit": before["depthUpperLimit"] - 100}
    assert settings["DepthRange"] == dict(before, depthUpperLimit=before["depthUpperLimit"] - 100)

    with pytest.raises(quorix.WriteError, match="Loud is not a value of ProjectorPowerLevel"):
        settings["ProjectorPowerLevel"] = "Loud"
    with pytest.raises(quorix.WriteError, match="has no field Depth"):
        settings["DepthRange"] = {"Depth": 1}


def test_refusals_keep_the_librarys_message(device):
    settings = device.settings
    description = settings.describe("Scan2DExposureTime")
    before = settings["Scan2DExposureTime"]
    with pytest.raises(quorix.WriteError) as by_check:
        settings.check("Scan2DExposureTime", description.maximum + 1)
    with pytest.raises(quorix.WriteError) as by_set:
        settings["Scan2DExposureTime"] = description.maximum + 1
    assert by_set.value.code == -4 and by_set.value.message and by_set.value.message == by_check.value.message
    assert settings["Scan2DExposureTime"] == before

    model = device.info.model
    absent = next(d.name for d in quorix.setting_catalogue() if not d.available_on(model))
    with pytest.raises(quorix.UnsupportedModelError):
        settings[absent]
    with pytest.raises(quorix.ReadError):
        settings["NoSuchSetting"]
    with pytest.raises(quorix.WriteError):
        settings["NoSuchSetting"] = 1


def test_a_preset_restores_every_setting(camera):
    with camera.connect() as first:
        first.settings["Scan3DGain"] = 3
        first.settings["CloudSmoothMode"] = "Strong"
        preset = first.settings.to_dict()
    assert preset["CloudSmoothMode"] == "Strong"
    with camera.connect() as second:
        second.settings["Scan3DGain"] = 1
        second.settings.update(preset)
        assert second.settings.to_dict() == preset
