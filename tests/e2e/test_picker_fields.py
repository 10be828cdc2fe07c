"""Snippets with fill-in fields chosen in the picker: the form, its values in the paste, and
Escape back to the list, then out of the picker."""

import context
import library
from picker import NO_PASTE, PickerCase
from waiting import holds_for

INVITATION = "Dear {{field:Guest}}, join us in {{field:City}} on {{field:Day|Friday}}."
LETTER = "Dear {{field:Name|Sir}}, thank you for your letter."


class PickerFieldsForm(PickerCase):
    @classmethod
    def setUpClass(cls):
        # No test here but one pastes the Letter: for a blank query it is never first, behind
        # About by name, or behind the Invitation once that is used.
        cls.start_picker([
            library.snippet("About", "Plain text, no fields"),
            library.snippet("Invitation", INVITATION),
            library.snippet("Letter", LETTER),
        ])

    def test_tab_moves_between_fields_and_their_values_are_pasted(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("invit")
        session.key("Return")  # opens the form
        session.type("Ann")
        session.key("Tab")
        session.type("Rome")
        session.key("Return")
        self.picker.wait_closed()
        # The field left empty takes its default.
        target.wait_for_text("Dear Ann, join us in Rome on Friday.")
        self.assertEqual(target.keys(), ["Ctrl+V"])
        self.assertEqual(len(target.pastes()), 1)
        self.assertEqual(session.active_window(), target.window)

    def test_escape_on_the_list_closes_the_picker_and_nothing_is_pasted(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("lett")
        session.key("Return")
        session.type("Zoe")
        session.key("Escape")  # back to the list
        session.key("Escape")
        self.picker.wait_closed()
        holds_for(lambda: target.text() == "", NO_PASTE, "an empty window", target.text)
        # Neither Escape reached the window: the first left the picker open.
        self.assertEqual(target.keys(), [])
        self.assertEqual(session.active_window(), target.window)
        session.type("typed after")
        target.wait_for_text("typed after")
