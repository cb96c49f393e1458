"""Device.settings: the camera's settings by name, converted to and from Python values by the library's
catalogue (quorix.setting_catalogue()); no setting is listed here."""

import enum

from ._errors import WriteError
from ._quorix import SettingKind

_enum_types = {}


class Enumerator(enum.IntEnum):
    """A value of an enumeration setting: an int that prints as its name."""

    def __str__(self):
        return self.name


def _enum_type(owner, enumerators):
    """The IntEnum of an enumeration's values (one class per setting or field, made once)."""
    key = (owner, tuple((e.name, e.value) for e in enumerators))
    if key not in _enum_types:
        _enum_types[key] = Enumerator(owner, [(e.name, e.value) for e in enumerators])
    return _enum_types[key]


def _decode_enum(owner, enumerators, number):
    try:
        return _enum_type(owner, enumerators)(int(number))
    except ValueError:  # a number the catalogue does not name: the camera alone judges it
        return int(number)


def _encode_enum(owner, enumerators, value):
    if isinstance(value, str):
        for e in enumerators:
            if e.name == value:
                return float(e.value)
        raise WriteError(-4, "%s is not a value of %s (%s)" % (value, owner, ", ".join(e.name for e in enumerators)))
    return float(int(value))


def decode(description, numbers):
    """The Python value of a setting read as numbers."""
    kind, name = description.kind, description.name
    if kind == SettingKind.Integer:
        return int(numbers[0])
    if kind == SettingKind.Real:
        return float(numbers[0])
    if kind == SettingKind.Boolean:
        return bool(numbers[0])
    if kind == SettingKind.Enumeration:
        return _decode_enum(name, description.enumerators, numbers[0])
    if kind == SettingKind.RealList:
        return [float(x) for x in numbers]
    return {f.name: (_decode_enum(name + "." + f.name, f.enumerators, x) if f.kind == SettingKind.Enumeration
                     else int(x)) for f, x in zip(description.fields, numbers)}


def encode(description, value, current=None):
    """The numbers of a Python value; a record given in part takes the other fields from current()."""
    kind, name = description.kind, description.name
    if kind == SettingKind.Enumeration:
        return [_encode_enum(name, description.enumerators, value)]
    if kind == SettingKind.RealList:
        return [float(x) for x in value]
    if kind != SettingKind.Record:
        return [float(value)]
    if not isinstance(value, dict):
        raise TypeError("%s takes a dict of its fields (%s)" % (name, ", ".join(f.name for f in description.fields)))
    unknown = set(value) - {f.name for f in description.fields}
    if unknown:
        raise WriteError(-4, "%s has no field %s (its fields: %s)" % (
            name, ", ".join(sorted(unknown)), ", ".join(f.name for f in description.fields)))
    if len(value) < len(description.fields):
        value = dict(current(), **value)
    return [_encode_enum(name + "." + f.name, f.enumerators, value[f.name]) if f.kind == SettingKind.Enumeration
            else float(value[f.name]) for f in description.fields]


def _catalogue():
    from ._quorix import setting_catalogue
    return {d.name: d for d in setting_catalogue()}


class Settings:
    """The connected camera's settings by name (Device.settings)::

        camera.settings["Scan2DExposureTime"] = 30            # numbers
        camera.settings["ProjectorPowerLevel"] = "High"       # enumerations by name (read back as IntEnum)
        camera.settings["Scan3DROI"] = {"width": 640}         # records as dicts; missing fields unchanged
        camera.settings.describe("Scan2DExposureTime")        # kind, range, unit, enumerators, fields...

    Iterating gives the names of the settings the connected model has. A refused value raises WriteError, a
    setting the model lacks UnsupportedModelError, each with the library's message.
    """

    _all = None

    def __init__(self, device):
        self._device = device

    @classmethod
    def _description(cls, name):
        if cls._all is None:
            cls._all = _catalogue()
        return cls._all.get(name)

    def describe(self, name):
        """The SettingDescription of a setting (KeyError for a name no model has)."""
        description = self._description(name)
        if description is None:
            raise KeyError(name)
        return description

    def __getitem__(self, name):
        description = self._description(name)
        numbers = self._device._get_setting(name)  # an unknown name: the library's ReadError
        return decode(description, numbers)

    def _numbers(self, name, value):
        description = self._description(name)
        if description is None:
            return [float(value)]  # the library refuses the name with its own message
        return encode(description, value, lambda: self[name])

    def __setitem__(self, name, value):
        self._device._set_setting(name, self._numbers(name, value))

    def check(self, name, value):
        """Checks everything writing value would check, without sending it: raises as a write would."""
        self._device._check_setting(name, self._numbers(name, value))

    def keys(self):
        """Names of the connected camera's settings, grouped as the catalogue orders them."""
        return [d.name for d in self._device._setting_catalogue()]

    def __iter__(self):
        return iter(self.keys())

    def __len__(self):
        return len(self.keys())

    def __contains__(self, name):
        return name in self.keys()

    def items(self):
        """(name, value) of every setting of the connected camera, read from the camera."""
        return [(name, self[name]) for name in self.keys()]

    def to_dict(self):
        """Every setting's value, e.g. to keep as a preset (values of enumerations as names)."""
        return {name: (value.name if isinstance(value, enum.Enum) else
                       {k: (v.name if isinstance(v, enum.Enum) else v) for k, v in value.items()}
                       if isinstance(value, dict) else value) for name, value in self.items()}

    def update(self, values):
        """Writes several settings (a dict such as to_dict() gives), in the order given."""
        for name, value in dict(values).items():
            self[name] = value

    def __repr__(self):
        return "<quorix.Settings of %d settings>" % len(self)
